// Writes the small sample transaction shipped in samples/: a Type-1 record,
// a Type-2 record with a few descriptive fields, a Type-4 fingerprint with
// uncompressed pixels, a standard-format Type-9 minutiae record and a
// Type-14 record with an uncompressed 8-bit image. All pixels are synthetic.
//
//   trelvo_make_sample OUT.an2
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char GS = 0x1D, FS = 0x1C, RS = 0x1E, US = 0x1F;

struct Field {
  int number;
  std::string value;
};

// A tagged record; field 1 (LEN) is computed, counting its own digits.
std::string taggedRecord(int type, const std::vector<Field>& fields, const std::string& image = {}) {
  auto tag = [type](int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%03d:", type, n);
    return std::string(buf);
  };
  std::string body;
  for (const Field& f : fields) body += GS + tag(f.number) + f.value;
  if (!image.empty()) body += GS + tag(999) + image;
  body += FS;
  std::string len = "0";
  for (;;) {
    const std::string record = tag(1) + len + body;
    const std::string actual = std::to_string(record.size());
    if (actual == len) return record;
    len = actual;
  }
}

void put(std::string& out, unsigned value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A ridge-like synthetic finger: concentric rings fading towards the edge.
std::string fingerPixels(int w, int h) {
  std::string px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = x - w / 2.0, dy = (y - h / 2.0) * 0.8;
      const double r = std::sqrt(dx * dx + dy * dy);
      const double ridge = 0.5 + 0.5 * std::cos(r * 0.9);
      const double fade = std::exp(-(r * r) / (0.18 * w * w));
      px += static_cast<char>(255 - static_cast<int>(200 * ridge * fade));
    }
  return px;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.an2\n", argv[0]);
    return 2;
  }
  const std::string cnt = std::string("1") + US + "4" + RS + "2" + US + "00" + RS + "4" + US + "01" +
                          RS + "9" + US + "01" + RS + "14" + US + "01";
  std::string file = taggedRecord(1, {{2, "0400"},
                                      {3, cnt},
                                      {4, "CAR"},
                                      {5, "20261211"},
                                      {7, "TRELVO000"},
                                      {8, "TRELVO001"},
                                      {9, "SAMPLE-0001"},
                                      {11, "19.69"},
                                      {12, "19.69"}});
  file += taggedRecord(2, {{2, "00"},
                           {30, std::string("SAMPLE") + US + "PERSON"},
                           {35, "19800101"},
                           {39, "X"}});

  // Type-4: 18-byte header, then 64 x 64 uncompressed pixels.
  const int w4 = 64, h4 = 64;
  const std::string px4 = fingerPixels(w4, h4);
  std::string t4;
  put(t4, static_cast<unsigned>(18 + px4.size()), 4);
  put(t4, 1, 1);                       // IDC
  put(t4, 0, 1);                       // impression: live-scan plain
  t4 += std::string("\x02\xFF\xFF\xFF\xFF\xFF", 6);  // right index finger
  put(t4, 1, 1);                       // ISR
  put(t4, w4, 2);
  put(t4, h4, 2);
  put(t4, 0, 1);                       // GCA 0: uncompressed
  file += t4 + px4;

  // Type-9: three minutiae with ridge counts, in standard format.
  std::string mrc;
  const char* minutiae[] = {"001", "01200160090", "45", "A", "002,03", "003,05",
                            "002", "02100200180", "60", "B", "001,03", "",
                            "003", "01500250270", "30", "A", "001,05", ""};
  for (int m = 0; m < 3; ++m) {
    if (m) mrc += RS;
    const char* const* item = minutiae + m * 6;
    mrc += std::string(item[0]) + US + item[1] + US + item[2] + US + item[3] + US + item[4];
    if (item[5][0]) mrc += US + std::string(item[5]);
  }
  file += taggedRecord(9, {{2, "01"},
                           {3, "0"},
                           {4, "S"},
                           {5, std::string("TRELVO") + US + "M"},
                           {6, "02"},
                           {7, std::string("T") + US + "UC"},
                           {8, "16001600"},
                           {10, "3"},
                           {11, "1"},
                           {12, mrc}});

  // Type-14: 96 x 96 uncompressed 8-bit pixels.
  file += taggedRecord(14, {{2, "01"},
                            {3, "0"},
                            {4, "TRELVO000"},
                            {5, "20261211"},
                            {6, "96"},
                            {7, "96"},
                            {8, "1"},
                            {9, "500"},
                            {10, "500"},
                            {11, "NONE"},
                            {12, "8"},
                            {13, "2"}},
                       fingerPixels(96, 96));

  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "%s: cannot write\n", argv[1]);
    return 1;
  }
  return 0;
}
