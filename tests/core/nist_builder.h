// Test-only byte builders for transaction files: tagged records with a
// correct LEN, binary records with their big-endian headers, CNT fields and
// whole files. Every knob that a broken file needs is there too: a LEN that
// is wrong on purpose, a record without its final FS, a field written with
// any tag text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace nist_test {

inline constexpr char FS = 0x1C;
inline constexpr char GS = 0x1D;
inline constexpr char RS = 0x1E;
inline constexpr char US = 0x1F;

inline std::string threeDigits(int n) {
  std::string s = std::to_string(n);
  while (s.size() < 3) s.insert(s.begin(), '0');
  return s;
}

// Smallest LEN whose decimal form, added to the other `rest` bytes of a
// record, gives exactly LEN bytes (LEN counts its own digits).
inline long selfCountingLength(long rest) {
  for (long digits = 1; digits < 12; ++digits) {
    const long len = rest + digits;
    if (static_cast<long>(std::to_string(len).size()) == digits) return len;
  }
  return rest;
}

// A tagged record: fields in the order given, GS between them and FS after
// the last one. Field 1 (LEN) comes first and is computed unless told
// otherwise.
class Tagged {
 public:
  explicit Tagged(int type) : type_(type), len_tag_(std::to_string(type) + ".001") {}

  // Field n with a three-digit tag ("2.030:").
  Tagged& field(int n, std::string value) {
    return tag(std::to_string(type_) + "." + threeDigits(n), std::move(value));
  }
  // A field under any tag text, without the colon ("1.01", "9.1000", "14.999").
  Tagged& tag(std::string tagText, std::string value) {
    fields_.emplace_back(std::move(tagText), std::move(value));
    return *this;
  }
  // The tag text of the LEN field ("1.01" for a two-digit tag).
  Tagged& lenTag(std::string tagText) {
    len_tag_ = std::move(tagText);
    return *this;
  }
  // LEN as written: the true length plus `delta` bytes.
  Tagged& lenDelta(long delta) {
    len_delta_ = delta;
    return *this;
  }
  // LEN as written, verbatim (any text, a number or not).
  Tagged& lenText(std::string text) {
    len_text_ = std::move(text);
    has_len_text_ = true;
    return *this;
  }
  // No LEN field at all: the record starts with the first field given.
  Tagged& withoutLen() {
    with_len_ = false;
    return *this;
  }
  // The last field is closed by GS instead of FS.
  Tagged& withoutFs() {
    close_ = GS;
    return *this;
  }
  // Bytes after the final separator that LEN counts (padding inside the record).
  Tagged& trailing(std::string bytes) {
    trailing_ = std::move(bytes);
    return *this;
  }

  // The length the record really has.
  long trueLength() const {
    const std::string body = bodyAfterLen();
    return selfCountingLength(static_cast<long>(len_tag_.size() + 2 + body.size()));
  }

  std::string bytes() const {
    const std::string body = bodyAfterLen();
    if (!with_len_) return body;
    std::string len = has_len_text_ ? len_text_ : std::to_string(trueLength() + len_delta_);
    return len_tag_ + ":" + len + (fields_.empty() ? std::string(1, close_) : std::string(1, GS)) +
           body;
  }
  operator std::string() const { return bytes(); }

 private:
  std::string bodyAfterLen() const {
    std::string out;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      out += fields_[i].first + ":" + fields_[i].second;
      out += i + 1 == fields_.size() ? close_ : GS;
    }
    return out + trailing_;
  }

  int type_;
  std::string len_tag_;
  std::vector<std::pair<std::string, std::string>> fields_;
  long len_delta_ = 0;
  std::string len_text_;
  bool has_len_text_ = false;
  bool with_len_ = true;
  char close_ = FS;
  std::string trailing_;
};

inline std::string bigEndian(std::uint32_t v, int size) {
  std::string out;
  for (int i = size - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// A binary record (Types 3-8): 4-byte LEN, the rest of the header, the image.
// LEN is header + image unless `len` says otherwise.
inline std::string binaryRecord(const std::string& headerAfterLen, const std::string& image,
                                long len = -1) {
  const long real = static_cast<long>(4 + headerAfterLen.size() + image.size());
  return bigEndian(static_cast<std::uint32_t>(len < 0 ? real : len), 4) + headerAfterLen + image;
}

// Header bytes 4-17 of Types 3-6.
inline std::string fingerprintHeader(int idc, int imp, std::vector<int> fgp, int isr, int hll,
                                     int vll, int gca) {
  fgp.resize(6, 255);
  std::string h;
  h += static_cast<char>(idc);
  h += static_cast<char>(imp);
  for (int p : fgp) h += static_cast<char>(p);
  h += static_cast<char>(isr);
  h += bigEndian(static_cast<std::uint32_t>(hll), 2);
  h += bigEndian(static_cast<std::uint32_t>(vll), 2);
  h += static_cast<char>(gca);
  return h;
}

// Header bytes 4-11 of Type-8.
inline std::string signatureHeader(int idc, int sig, int srt, int isr, int hll, int vll) {
  std::string h;
  h += static_cast<char>(idc);
  h += static_cast<char>(sig);
  h += static_cast<char>(srt);
  h += static_cast<char>(isr);
  h += bigEndian(static_cast<std::uint32_t>(hll), 2);
  h += bigEndian(static_cast<std::uint32_t>(vll), 2);
  return h;
}

// Header bytes 4-32 of Type-7.
inline std::string userImageHeader(int idc, int imt, int imd, const std::string& pcn10,
                                   const std::string& imr11, int hll, int vll, int gca) {
  std::string h;
  h += static_cast<char>(idc);
  h += static_cast<char>(imt);
  h += static_cast<char>(imd);
  h += pcn10;
  h += imr11;
  h += bigEndian(static_cast<std::uint32_t>(hll), 2);
  h += bigEndian(static_cast<std::uint32_t>(vll), 2);
  h += static_cast<char>(gca);
  return h;
}

struct CntEntry {
  std::string type;
  std::string idc;
};

// "1" US count, then RS type US idc for every entry.
inline std::string cnt(std::initializer_list<CntEntry> entries) {
  std::string out = "1";
  out += US;
  out += std::to_string(entries.size());
  for (const CntEntry& e : entries) {
    out += RS;
    out += e.type;
    out += US;
    out += e.idc;
  }
  return out;
}

// A Type-1 record with the given CNT text and a few ordinary fields.
inline Tagged type1(const std::string& cntText) {
  Tagged t(1);
  t.field(2, "0400").field(3, cntText).field(4, "TST").field(5, "20240101").field(7, "DAI000000")
      .field(8, "ORI000000").field(9, "TCN-1").field(11, "19.69").field(12, "19.69");
  return t;
}

// A Type-2 record with LEN, IDC and a name.
inline Tagged type2(const std::string& idc, const std::string& name = "DOE, JOHN") {
  Tagged t(2);
  t.field(2, idc).field(30, name);
  return t;
}

// A tagged image record with LEN, IDC, HLL, VLL, CGA and the image field 999.
inline Tagged taggedImage(int type, const std::string& idc, const std::string& image,
                          const std::string& cga = "NONE") {
  Tagged t(type);
  t.field(2, idc).field(3, "0").field(4, "SRC").field(6, "4").field(7, "2").field(8, "1")
      .field(9, "500").field(10, "500").field(11, cga).field(999, image);
  return t;
}

inline std::string join(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& p : parts) out += p;
  return out;
}

}  // namespace nist_test
