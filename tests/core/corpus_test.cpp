// The real transaction files of the corpus folder. The files are split here
// independently of the library (tags, GS, FS, the binary LEN), and what the
// library reports is compared with that split and with the corpus README.
#include <map>
#include <string_view>

#include "frame/nist_file.h"
#include "test_support.h"

namespace nist_test {
namespace {

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(separator, from);
    parts.emplace_back(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) return parts;
    from = at + 1;
  }
}

struct SplitField {
  int number;
  std::string value;
};

// The fields of a tagged record without its final FS.
std::vector<SplitField> taggedFields(std::string_view record) {
  std::vector<SplitField> fields;
  for (const std::string& f : split(record, GS)) {
    const std::size_t dot = f.find('.');
    const std::size_t colon = f.find(':');
    fields.push_back({std::stoi(f.substr(dot + 1, colon - dot - 1)), f.substr(colon + 1)});
  }
  return fields;
}

struct SplitRecord {
  int type;
  std::size_t start;
  std::size_t length;
};

int headerSize(int type) { return type == 7 ? 33 : type == 8 ? 12 : 18; }

// The records of a file, found from the CNT field and each record's LEN.
std::vector<SplitRecord> splitRecords(const std::string& file) {
  const std::size_t fs = file.find(FS);
  const auto type1 = taggedFields(std::string_view(file).substr(0, fs));
  std::vector<SplitRecord> records{{1, 0, static_cast<std::size_t>(std::stoul(type1.at(0).value))}};
  std::string cntText;
  for (const auto& f : type1)
    if (f.number == 3) cntText = f.value;
  const auto entries = split(cntText, RS);
  std::size_t position = records[0].length;
  for (std::size_t i = 1; i < entries.size(); ++i) {
    const int type = std::stoi(split(entries[i], US).at(0));
    std::size_t length = 0;
    if (type >= 3 && type <= 8) {
      for (int b = 0; b < 4; ++b) length = (length << 8) | static_cast<unsigned char>(file[position + static_cast<std::size_t>(b)]);
    } else {
      const std::size_t colon = file.find(':', position);
      length = std::stoul(file.substr(colon + 1, file.find(GS, colon) - colon - 1));
    }
    records.push_back({type, position, length});
    position += length;
  }
  return records;
}

std::vector<std::string> corpusFiles() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(corpusDir()))
    if (entry.path().extension() == ".an2") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class CorpusTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    SKIP_WITHOUT_CORPUS();
  }
  // Loads a corpus file; every message reported during the load is returned.
  std::string loadCorpus(const std::string& name) {
    const std::string path = (corpusDir() / name).string();
    int loaded = 0;
    std::string reports = reportsDuring([&] { loaded = ReadNISTFromFile(path.c_str()); });
    EXPECT_EQ(loaded, 1) << name;
    return reports;
  }
};

TEST_F(CorpusTest, EveryFileLoadsWithoutAnyReport) {
  const auto names = corpusFiles();
  EXPECT_GE(names.size(), 8u);  // the eight files the README lists
  for (const std::string& name : names) {
    EXPECT_EQ(loadCorpus(name), "") << name;
    EXPECT_EQ(ReadSizeOfNISTByteArray(), static_cast<int>(std::filesystem::file_size(corpusDir() / name)));
  }
}

TEST_F(CorpusTest, RecordsAndIdcsAsListed) {
  const std::map<std::string, std::map<int, std::vector<int>>> listed = {
      {"type-4-14-slaps.an2", {{2, {0}}, {4, {1, 2}}, {14, {3}}}},
      {"type-5.an2", {{2, {0}}, {5, {1}}}},
      {"type-8-sig-fax.an2", {{2, {0}}, {8, {1}}}},
      {"type-8-sig-raw.an2", {{2, {0}}, {8, {1}}}},
      {"type-9-14-std.an2", {{2, {0}}, {9, {1}}, {14, {1}}}},
      {"type-10-branded-tattoo-mark.an2", {{2, {0}}, {10, {1, 2}}}},
      {"type-17-iris.an2", {{2, {0}}, {17, {1}}}},
      {"rec01_rec02_rec16.nst.an2", {{2, {0}}, {16, {1}}}},
  };
  for (const auto& [name, types] : listed) {
    loadCorpus(name);
    EXPECT_EQ(ReadNumberOfRecords(1), 1) << name;
    for (int type : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 99}) {
      const auto it = types.find(type);
      EXPECT_EQ(CheckIfRecordTypeExists(type), it != types.end() ? 1 : 0) << name << " type " << type;
      if (it == types.end()) continue;
      ASSERT_EQ(ReadNumberOfRecords(type), static_cast<int>(it->second.size())) << name << " type " << type;
      for (std::size_t i = 0; i < it->second.size(); ++i)
        EXPECT_EQ(ReadIDCofRecord(type, static_cast<int>(i + 1)), it->second[i]) << name << " type " << type;
    }
  }
}

TEST_F(CorpusTest, ImageAttributesAsListed) {
  struct Image {
    const char* file;
    int type, idc;
    const char* compression;  // GCA, SRT or CGA
    const char* hll;
    const char* vll;
  };
  const Image images[] = {
      {"type-4-14-slaps.an2", 4, 1, "1", "1608", "1000"},  {"type-4-14-slaps.an2", 4, 2, "1", "1572", "1000"},
      {"type-4-14-slaps.an2", 14, 3, "WSQ20", "804", "1000"}, {"type-5.an2", 5, 1, "0", "402", "376"},
      {"type-8-sig-fax.an2", 8, 1, "1", "200", "60"},      {"type-8-sig-raw.an2", 8, 1, "0", "200", "60"},
      {"type-9-14-std.an2", 14, 1, "NONE", "800", "768"},  {"type-10-branded-tattoo-mark.an2", 10, 1, "JPEGB", "640", "400"},
      {"type-10-branded-tattoo-mark.an2", 10, 2, "JPEGB", "640", "400"}, {"type-17-iris.an2", 17, 1, "PNG", "449", "312"},
      {"rec01_rec02_rec16.nst.an2", 16, 1, "JPEGB", "243", "24"},
  };
  for (const Image& im : images) {
    loadCorpus(im.file);
    const char* compression = im.type == 8 ? "SRT" : im.type <= 7 ? "GCA" : "CGA";
    EXPECT_EQ(valueByName(im.type, im.idc, compression), im.compression) << im.file << " " << im.type;
    EXPECT_EQ(valueByName(im.type, im.idc, "HLL"), im.hll) << im.file << " " << im.type;
    EXPECT_EQ(valueByName(im.type, im.idc, "VLL"), im.vll) << im.file << " " << im.type;
  }
}

TEST_F(CorpusTest, BinaryFieldsHaveTheLengthTheirRecordImplies) {
  for (const std::string& name : corpusFiles()) {
    const std::string file = readFile(corpusDir() / name);
    loadCorpus(name);
    std::map<int, int> seen;  // records of each type so far
    for (const SplitRecord& r : splitRecords(file)) {
      if (r.type <= 2 || r.type == 9) continue;
      const int idc = ReadIDCofRecord(r.type, ++seen[r.type]);
      std::size_t image_start = 0;
      if (r.type <= 8) {
        image_start = r.start + static_cast<std::size_t>(headerSize(r.type));
      } else {
        const std::string tag = std::string(1, GS) + std::to_string(r.type) + ".999:";
        image_start = file.find(tag, r.start) + tag.size();
      }
      const std::size_t end = r.start + r.length - (r.type <= 8 ? 0 : 1);  // tagged: without the final FS
      const int size = ReadSizeOfRecordBinaryField(r.type, idc);
      const unsigned char* bytes = ReadRecordBinaryField(r.type, idc);
      ASSERT_NE(bytes, nullptr) << name << " " << r.type;
      EXPECT_EQ(size, static_cast<int>(end - image_start)) << name << " " << r.type << ":" << idc;
      EXPECT_EQ(bytes, ReadNISTByteArray() + image_start) << name << " " << r.type;
      const std::string compression = valueByName(r.type, idc, r.type <= 7 ? "GCA" : r.type == 8 ? "SRT" : "CGA");
      const bool wsq = (r.type >= 3 && r.type <= 6 && compression == "1") || compression.rfind("WSQ", 0) == 0;
      if (wsq) {
        EXPECT_EQ(bytes[0], 0xFF) << name << " " << r.type;
        EXPECT_EQ(bytes[1], 0xA0) << name << " " << r.type;
      }
    }
  }
}

TEST_F(CorpusTest, TypeOneAndTypeTwoFieldsReadBackAsTheyStand) {
  for (const std::string& name : corpusFiles()) {
    const std::string file = readFile(corpusDir() / name);
    loadCorpus(name);
    const auto records = splitRecords(file);
    ASSERT_GE(records.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
      const SplitRecord& r = records[i];
      ASSERT_EQ(r.type, static_cast<int>(i + 1));
      const std::string_view record = std::string_view(file).substr(r.start, r.length - 1);
      ASSERT_EQ(file[r.start + r.length - 1], FS) << name;
      std::vector<bool> present(16, false);
      const auto fields = taggedFields(record);
      int idc = 0;
      for (const auto& f : fields)
        if (f.number == 2 && r.type == 2) idc = std::stoi(f.value);
      for (const auto& f : fields) {
        EXPECT_EQ(value(r.type, idc, f.number), f.value) << name << " " << r.type << "." << f.number;
        EXPECT_EQ(ReadSizeOfRecordTxtField(r.type, idc, f.number, nullptr), static_cast<int>(f.value.size()));
        if (r.type == 1) present[static_cast<std::size_t>(f.number)] = true;
      }
      if (r.type != 1) continue;
      for (int n = 1; n < 16; ++n) {
        if (!present[static_cast<std::size_t>(n)]) {
          EXPECT_EQ(value(1, 0, n), "") << name << " 1." << n;
        }
      }
    }
  }
}

TEST_F(CorpusTest, StandardMinutiaeTable) {
  loadCorpus("type-9-14-std.an2");
  EXPECT_EQ(valueByName(9, 1, "FMT"), "S");
  EXPECT_EQ(valueByName(9, 1, "MIN"), "48");
  const auto& t9 = static_cast<const trelvo::T_T9&>(*trelvo::current().list(9)->front());
  ASSERT_TRUE(t9.minutiae.has_value());
  const auto& rows = t9.minutiae->rows;
  ASSERT_EQ(rows.size(), 49u);
  for (std::size_t m = 1; m < rows.size(); ++m) {
    EXPECT_EQ(std::stoul(rows[m][0]), m) << "minutia " << m;  // index numbers 001 ... 048
    EXPECT_FALSE(rows[m][6].empty()) << "minutia " << m;       // ridge counts
    EXPECT_EQ(rows[m][1].size(), 4u) << "minutia " << m;
    EXPECT_EQ(rows[m][2].size(), 4u) << "minutia " << m;
    EXPECT_EQ(rows[m][3].size(), 3u) << "minutia " << m;
  }
  // The Type-9 record's finger image is the Type-14 record with its IDC.
  EXPECT_EQ(ReadRecordBinaryField(9, 1), ReadRecordBinaryField(14, 1));
}

}  // namespace
}  // namespace nist_test
