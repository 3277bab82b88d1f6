// Feature lists, the NIST_COM parser, the comment search and the resolution.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "wsq_test_encoder.h"
#include "wsq_test_util.h"

namespace w = trelvo::wsq;
using wsqtest::Bytes;

namespace {

struct FetPtr {
  w::Fet* p = nullptr;
  ~FetPtr() { w::free_fet(p); }
};

std::string value_of(const w::Fet* f, int i) {
  return f->values[i] == nullptr ? std::string("<none>") : std::string(f->values[i]);
}

// SOI, the comments given, SOF-like filler, SOB.
Bytes stream_with_comments(const std::vector<std::string>& comments) {
  std::vector<wsqtest::Segment> segs = {{wsqtest::kSOI, {}}};
  segs.push_back(wsqtest::make_dtt_standard());
  for (const std::string& c : comments) segs.push_back(wsqtest::make_com(c));
  segs.push_back(wsqtest::make_sof(100, 100, 128, 1));
  segs.push_back(wsqtest::make_sob(0, {0x00}));
  segs.push_back({wsqtest::kEOI, {}});
  return wsqtest::serialize(segs);
}

struct PpiResult {
  int rc;
  int ppi;
  std::string messages;
};

PpiResult ppi_of(const Bytes& stream) {
  PpiResult r{0, -7, ""};
  testing::internal::CaptureStderr();
  r.rc = w::ppi_from_nistcom(&r.ppi, stream.data(), stream.size());
  r.messages = testing::internal::GetCapturedStderr();
  return r;
}

}  // namespace

TEST(WsqFet, TwoLines) {
  FetPtr f;
  ASSERT_EQ(w::string2fet(&f.p, "NIST_COM 2\nPPI 500\n"), 0);
  ASSERT_EQ(f.p->num, 2);
  EXPECT_EQ(f.p->alloc, 100);
  EXPECT_STREQ(f.p->names[0], "NIST_COM");
  EXPECT_EQ(value_of(f.p, 0), "2");
  EXPECT_STREQ(f.p->names[1], "PPI");
  EXPECT_EQ(value_of(f.p, 1), "500");
  EXPECT_EQ(ppi_of(stream_with_comments({"NIST_COM 2\nPPI 500\n"})).ppi, 500);
}

TEST(WsqFet, NameWithoutValue) {
  FetPtr f;
  ASSERT_EQ(w::string2fet(&f.p, "NIST_COM 2\nPPI"), 0);
  ASSERT_EQ(f.p->num, 2);
  EXPECT_EQ(value_of(f.p, 1), "<none>");
  const PpiResult r = ppi_of(stream_with_comments({"NIST_COM 2\nPPI"}));
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.ppi, -1);
}

TEST(WsqFet, NewlineDoesNotEndAName) {
  FetPtr f;
  ASSERT_EQ(w::string2fet(&f.p, "NIST_COM\nPPI 500\n"), 0);
  ASSERT_EQ(f.p->num, 1);
  EXPECT_STREQ(f.p->names[0], "NIST_COM\nPPI");
  EXPECT_EQ(value_of(f.p, 0), "500");
}

TEST(WsqFet, BlankLinesAndLeadingBlanks) {
  FetPtr f;
  ASSERT_EQ(w::string2fet(&f.p, "A 1\n   \t \nB 2\n\n"), 0);
  ASSERT_EQ(f.p->num, 2);
  EXPECT_STREQ(f.p->names[1], "B");
  for (const char* text : {" A 1\n", "\tA 1\n"}) {
    w::Fet* g = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(w::string2fet(&g, text), -2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR : string2fet : empty name string found\n");
    EXPECT_EQ(g, nullptr);
  }
}

TEST(WsqFet, ValueKeepsBlanksAndCarriageReturns) {
  FetPtr f;
  ASSERT_EQ(w::string2fet(&f.p, "PPI 500 dpi\nX a\tb \r\nY\t\t7"), 0);
  ASSERT_EQ(f.p->num, 3);
  EXPECT_EQ(value_of(f.p, 0), "500 dpi");
  EXPECT_EQ(value_of(f.p, 1), "a\tb \r");
  EXPECT_EQ(value_of(f.p, 2), "7");
  EXPECT_EQ(ppi_of(stream_with_comments({"NIST_COM 1\nPPI 500 dpi\n"})).ppi, 500);
}

TEST(WsqFet, RepeatedNameKeepsTheLaterValue) {
  FetPtr f;
  ASSERT_EQ(w::string2fet(&f.p, "A 1\nB 2\nA 3\nB"), 0);
  ASSERT_EQ(f.p->num, 2);
  EXPECT_EQ(value_of(f.p, 0), "3");
  EXPECT_EQ(value_of(f.p, 1), "<none>");
}

TEST(WsqFet, Growth) {
  std::string text;
  for (int i = 0; i < 111; ++i) text += "N" + std::to_string(i) + " v" + std::to_string(i) + "\n";
  FetPtr f;
  ASSERT_EQ(w::string2fet(&f.p, text.c_str()), 0);
  EXPECT_EQ(f.p->num, 111);
  EXPECT_EQ(f.p->alloc, 121);
  EXPECT_STREQ(f.p->names[110], "N110");
  FetPtr g;
  text.clear();
  for (int i = 0; i < 101; ++i) text += "N" + std::to_string(i) + " v\n";
  ASSERT_EQ(w::string2fet(&g.p, text.c_str()), 0);
  EXPECT_EQ(g.p->alloc, 110);
  for (int i = 101; i < g.p->alloc; ++i) {
    EXPECT_EQ(g.p->names[i], nullptr);
    EXPECT_EQ(g.p->values[i], nullptr);
  }
}

TEST(WsqFet, LongNamesAndValuesAreCut) {
  const std::string long_name(2000, 'n');
  const std::string long_value(5000, 'v');
  FetPtr f;
  ASSERT_EQ(w::string2fet(&f.p, (long_name + " " + long_value + "\nPPI 7\n").c_str()), 0);
  ASSERT_EQ(f.p->num, 2);
  EXPECT_EQ(std::string(f.p->names[0]), std::string(511, 'n'));
  EXPECT_EQ(value_of(f.p, 0), std::string(511, 'v'));
  EXPECT_EQ(value_of(f.p, 1), "7") << "the rest of the long value is passed over";
  // Exactly 511 characters are kept whole.
  FetPtr g;
  ASSERT_EQ(w::string2fet(&g.p, (std::string(511, 'a') + " " + std::string(511, 'b')).c_str()), 0);
  EXPECT_EQ(std::strlen(g.p->names[0]), 511u);
  EXPECT_EQ(std::strlen(g.p->values[0]), 511u);
}

TEST(WsqFet, UpdateAndExtract) {
  FetPtr f;
  ASSERT_EQ(w::allocfet_ret(&f.p, 2), 0);
  ASSERT_EQ(w::updatefet_ret("A", "1", f.p), 0);
  ASSERT_EQ(w::updatefet_ret("B", nullptr, f.p), 0);
  ASSERT_EQ(w::updatefet_ret("C", "3", f.p), 0);  // grows by 10
  EXPECT_EQ(f.p->alloc, 12);
  ASSERT_EQ(w::updatefet_ret("a", "lower", f.p), 0) << "names are case-sensitive";
  EXPECT_EQ(f.p->num, 4);
  char* v = nullptr;
  ASSERT_EQ(w::extractfet_ret(&v, "C", f.p), 0);
  EXPECT_STREQ(v, "3");
  std::free(v);
  v = reinterpret_cast<char*>(0x1);
  ASSERT_EQ(w::extractfet_ret(&v, "B", f.p), 0);
  EXPECT_EQ(v, nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::extractfet_ret(&v, "PPI", f.p), -2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR : extractfet_ret : feature PPI not found\n");
  ASSERT_EQ(w::updatefet_ret("A", nullptr, f.p), 0);
  EXPECT_EQ(f.p->values[0], nullptr);
}

TEST(WsqFet, ReallocOfAMissingList) {
  w::Fet* f = nullptr;
  ASSERT_EQ(w::reallocfet_ret(&f, 5), 0);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->alloc, 5);
  EXPECT_EQ(f->num, 0);
  w::free_fet(f);
  w::free_fet(nullptr);
}

TEST(WsqNistcom, NoComment) {
  const PpiResult r = ppi_of(stream_with_comments({}));
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.ppi, -1);
  EXPECT_EQ(r.messages, "");
}

TEST(WsqNistcom, OtherCommentsArePassedOver) {
  const PpiResult r =
      ppi_of(stream_with_comments({"a comment", "", "NIST", "NIST_CO", "NIST_COM 3\nPPI 1000"}));
  EXPECT_EQ(r.rc, 0) << r.messages;
  EXPECT_EQ(r.ppi, 1000);
}

TEST(WsqNistcom, EightBytesOnly) {
  EXPECT_EQ(ppi_of(stream_with_comments({"NIST_COMMENTS 1\nPPI 250\n"})).ppi, 250);
}

TEST(WsqNistcom, FirstNistcomWins) {
  EXPECT_EQ(ppi_of(stream_with_comments({"NIST_COM 1\nPPI 300", "NIST_COM 1\nPPI 600"})).ppi, 300);
}

TEST(WsqNistcom, MissingPpiLineFails) {
  const PpiResult r = ppi_of(stream_with_comments({"NIST_COM 1\nPIX_WIDTH 100\n"}));
  EXPECT_EQ(r.rc, -2);
  EXPECT_EQ(r.messages, "ERROR : extractfet_ret : feature PPI not found\n");
}

TEST(WsqNistcom, AfterTheFirstBlockNotSeen) {
  std::vector<wsqtest::Segment> segs = {{wsqtest::kSOI, {}}, wsqtest::make_sof(100, 100, 128, 1),
                                        wsqtest::make_sob(0, {0x00}),
                                        wsqtest::make_com("NIST_COM 1\nPPI 500"),
                                        {wsqtest::kEOI, {}}};
  EXPECT_EQ(ppi_of(wsqtest::serialize(segs)).ppi, -1);
}

TEST(WsqNistcom, ValuesOfPpi) {
  struct Case {
    const char* value;
    int ppi;
  } cases[] = {{"500", 500}, {"  42x", 42}, {"-3", -3}, {"+8", 8}, {"abc", 0},
               {"99999999999999", 2147483647}, {"-99999999999999", -2147483647 - 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(ppi_of(stream_with_comments({std::string("NIST_COM 1\nPPI ") + c.value})).ppi, c.ppi)
        << c.value;
  }
}

TEST(WsqNistcom, ComparisonStaysInsideSegmentAndBuffer) {
  // A comment of three bytes at the very end of the buffer: the eight bytes
  // are not compared (the sanitizer pass would see a read past the end).
  const Bytes base = {0xFF, 0xA0, 0xFF, 0xA8, 0x00, 0x05, 'N', 'I', 'S'};
  for (std::size_t len = 2; len <= base.size(); ++len) {
    auto* heap = static_cast<std::uint8_t*>(std::malloc(len));
    std::memcpy(heap, base.data(), len);
    w::Fet* f = nullptr;
    testing::internal::CaptureStderr();
    const int rc = w::find_nistcom_wsq(&f, heap, len);
    testing::internal::GetCapturedStderr();
    EXPECT_NE(rc, 0) << len;
    EXPECT_EQ(f, nullptr);
    std::free(heap);
  }
  // A segment whose length says 5 although NIST_COM follows: not NIST_COM.
  std::vector<wsqtest::Segment> segs = {{wsqtest::kSOI, {}}};
  wsqtest::Segment com = wsqtest::make_com("NIST_COM 1\nPPI 500\n");
  com.body[1] = 5;  // content of 3 bytes: "NIS"
  segs.push_back(com);
  const Bytes s = wsqtest::serialize(segs);
  w::Fet* f = nullptr;
  testing::internal::CaptureStderr();
  const int rc = w::find_nistcom_wsq(&f, s.data(), s.size());
  testing::internal::GetCapturedStderr();
  EXPECT_NE(rc, 0) << "skipped as a short comment, then the search runs into the text";
  EXPECT_EQ(f, nullptr);
}

TEST(WsqNistcom, TruncatedNistcom) {
  Bytes s = stream_with_comments({"NIST_COM 2\nPPI 500\n"});
  const std::size_t com_at = 2 + 60 + 2;  // SOI, DTT, then the comment marker
  ASSERT_EQ(s[com_at - 2], 0xFF);
  ASSERT_EQ(s[com_at - 1], 0xA8);
  s.resize(com_at + 12);
  const PpiResult r = ppi_of(s);
  EXPECT_EQ(r.rc, -40);
  EXPECT_EQ(r.messages, "ERROR : getc_bytes : premature End Of Buffer\n");
}

TEST(WsqNistcom, NotAWsqStream) {
  const Bytes s = {'h', 'e', 'l', 'l', 'o'};
  const PpiResult r = ppi_of(s);
  EXPECT_EQ(r.rc, -88);
}
