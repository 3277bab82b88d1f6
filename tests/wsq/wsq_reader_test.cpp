// Byte reader, marker classes, comments and segment skipping.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "wsq_test_util.h"

namespace w = trelvo::wsq;
using wsqtest::Bytes;

namespace {

struct Cursor {
  Bytes data;
  const std::uint8_t* cur;
  const std::uint8_t* end;
  explicit Cursor(Bytes d) : data(std::move(d)), cur(data.data()), end(data.data() + data.size()) {}
  std::size_t pos() const { return static_cast<std::size_t>(cur - data.data()); }
};

}  // namespace

TEST(WsqReader, ByteAndBytesStopAtTheEnd) {
  Cursor c({0x12, 0x34});
  std::uint8_t b = 0;
  ASSERT_EQ(w::getc_byte(&b, c.cur, c.end), 0);
  EXPECT_EQ(b, 0x12);
  ASSERT_EQ(w::getc_byte(&b, c.cur, c.end), 0);
  EXPECT_EQ(b, 0x34);
  testing::internal::CaptureStderr();
  b = 0x77;
  EXPECT_EQ(w::getc_byte(&b, c.cur, c.end), -39);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR : getc_byte : premature End Of Buffer\n");
  EXPECT_EQ(b, 0x77) << "output written on failure";
  EXPECT_EQ(c.pos(), 2u);

  Cursor d({1, 2, 3});
  std::uint8_t buf[4] = {9, 9, 9, 9};
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_bytes(buf, 4, d.cur, d.end), -40);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR : getc_bytes : premature End Of Buffer\n");
  EXPECT_EQ(d.pos(), 0u);
  EXPECT_EQ(buf[0], 9);
  ASSERT_EQ(w::getc_bytes(buf, 3, d.cur, d.end), 0) << "exactly up to the end is allowed";
  EXPECT_EQ(d.pos(), 3u);
  EXPECT_EQ(std::memcmp(buf, "\1\2\3", 3), 0);
}

TEST(WsqReader, BigEndianIntegers) {
  Cursor c({0xAB, 0xCD, 0x01, 0x02, 0x03, 0x04, 0xFF});
  std::uint16_t v16 = 0;
  std::uint32_t v32 = 0;
  ASSERT_EQ(w::getc_u16(&v16, c.cur, c.end), 0);
  EXPECT_EQ(v16, 0xABCD);
  ASSERT_EQ(w::getc_u32(&v32, c.cur, c.end), 0);
  EXPECT_EQ(v32, 0x01020304u);
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_u16(&v16, c.cur, c.end), -40);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR : getc_bytes : premature End Of Buffer\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_u32(&v32, c.cur, c.end), -40);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(v16, 0xABCD);
  EXPECT_EQ(v32, 0x01020304u);
}

struct MarkerCase {
  std::uint16_t type;
  std::uint16_t value;
  int rc;
  const char* message;
};

class WsqMarkerClasses : public testing::TestWithParam<MarkerCase> {};

TEST_P(WsqMarkerClasses, AcceptOrReject) {
  const MarkerCase& mc = GetParam();
  Cursor c({static_cast<std::uint8_t>(mc.value >> 8), static_cast<std::uint8_t>(mc.value), 0x55});
  std::uint16_t marker = 0x1111;
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_marker_wsq(&marker, mc.type, c.cur, c.end), mc.rc);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), mc.message);
  EXPECT_EQ(c.pos(), 2u) << "two bytes are consumed, accepted or not";
  EXPECT_EQ(marker, mc.rc == 0 ? mc.value : 0x1111);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WsqMarkerClasses,
    testing::Values(
        MarkerCase{w::SOI_WSQ, 0xFFA0, 0, ""},
        MarkerCase{w::SOI_WSQ, 0xFFA1, -88, "ERROR : getc_marker_wsq : No SOI marker. {FFA1}\n"},
        MarkerCase{w::SOI_WSQ, 0x00A0, -88, "ERROR : getc_marker_wsq : No SOI marker. {00A0}\n"},
        MarkerCase{w::TBLS_N_SOF, 0xFFA2, 0, ""}, MarkerCase{w::TBLS_N_SOF, 0xFFA4, 0, ""},
        MarkerCase{w::TBLS_N_SOF, 0xFFA5, 0, ""}, MarkerCase{w::TBLS_N_SOF, 0xFFA6, 0, ""},
        MarkerCase{w::TBLS_N_SOF, 0xFFA8, 0, ""},
        MarkerCase{w::TBLS_N_SOF, 0xFFA3, -89,
                   "ERROR : getc_marker_wsq : No SOF, Table, or comment markers.\n"},
        MarkerCase{w::TBLS_N_SOF, 0xFFA7, -89,
                   "ERROR : getc_marker_wsq : No SOF, Table, or comment markers.\n"},
        MarkerCase{w::TBLS_N_SOB, 0xFFA3, 0, ""}, MarkerCase{w::TBLS_N_SOB, 0xFFA4, 0, ""},
        MarkerCase{w::TBLS_N_SOB, 0xFFA5, 0, ""}, MarkerCase{w::TBLS_N_SOB, 0xFFA6, 0, ""},
        MarkerCase{w::TBLS_N_SOB, 0xFFA8, 0, ""},
        MarkerCase{w::TBLS_N_SOB, 0xFFA2, -90,
                   "ERROR : getc_marker_wsq : No SOB, Table, or comment markers.{FFA2}\n"},
        MarkerCase{w::TBLS_N_SOB, 0xFFA1, -90,
                   "ERROR : getc_marker_wsq : No SOB, Table, or comment markers.{FFA1}\n"},
        MarkerCase{w::ANY_WSQ, 0xFFA0, 0, ""}, MarkerCase{w::ANY_WSQ, 0xFFA1, 0, ""},
        MarkerCase{w::ANY_WSQ, 0xFFA7, 0, ""}, MarkerCase{w::ANY_WSQ, 0xFFA8, 0, ""},
        MarkerCase{w::ANY_WSQ, 0xFF00, -92,
                   "ERROR : getc_marker_wsq : {FF00} not a valid marker\n"},
        MarkerCase{w::ANY_WSQ, 0xFFA9, -92,
                   "ERROR : getc_marker_wsq : {FFA9} not a valid marker\n"},
        MarkerCase{w::ANY_WSQ, 0x12FF, -91, "ERROR : getc_marker_wsq : no marker found {12FF}\n"},
        MarkerCase{7, 0xFFA0, -93, "ERROR : getc_marker_wsq : Invalid marker -> {FFA0}\n"},
        MarkerCase{7, 0x0012, -93, "ERROR : getc_marker_wsq : Invalid marker -> {  12}\n"}));

TEST(WsqReader, CursorMovesPastARejectedMarker) {
  Cursor c({0xFF, 0xA3, 0xFF, 0xA2});
  std::uint16_t marker = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_marker_wsq(&marker, w::TBLS_N_SOF, c.cur, c.end), -89);
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(w::getc_marker_wsq(&marker, w::TBLS_N_SOF, c.cur, c.end), 0);
  EXPECT_EQ(marker, w::SOF_WSQ);
}

TEST(WsqReader, TwoByteSoiBuffer) {
  Cursor c({0xFF, 0xA0});
  std::uint16_t marker = 0;
  ASSERT_EQ(w::getc_marker_wsq(&marker, w::SOI_WSQ, c.cur, c.end), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_marker_wsq(&marker, w::TBLS_N_SOF, c.cur, c.end), -40);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR : getc_bytes : premature End Of Buffer\n");
}

TEST(WsqReader, EmptyAndNullBuffers) {
  const std::uint8_t* cur = nullptr;
  std::uint16_t marker;
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_marker_wsq(&marker, w::SOI_WSQ, cur, nullptr), -40);
  std::uint8_t b;
  EXPECT_EQ(w::getc_byte(&b, cur, nullptr), -39);
  testing::internal::GetCapturedStderr();
}

TEST(WsqReader, CommentText) {
  Cursor c({0x00, 0x07, 'a', 'b', 0x00, 'c', 0xFE, 0xFF, 0xA1});
  char* text = nullptr;
  ASSERT_EQ(w::getc_comment(&text, c.cur, c.end), 0);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::memcmp(text, "ab\0c\xFE\0", 6), 0) << "the content, zero-terminated";
  EXPECT_STREQ(text, "ab") << "ends at its first zero byte for string use";
  EXPECT_EQ(c.pos(), 7u);
  std::free(text);
}

TEST(WsqReader, EmptyComment) {
  Cursor c({0x00, 0x02});
  char* text = nullptr;
  ASSERT_EQ(w::getc_comment(&text, c.cur, c.end), 0);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text[0], '\0');
  std::free(text);
}

TEST(WsqReader, CommentLengthBelowTwoIsCorrupt) {
  for (int len : {0, 1}) {
    Cursor c({0x00, static_cast<std::uint8_t>(len), 'x', 'y'});
    char* text = reinterpret_cast<char*>(0x1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(w::getc_comment(&text, c.cur, c.end), w::WSQ_ERR_COMMENT_LENGTH);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR : getc_comment : segment length " + std::to_string(len) + " is below 2\n");
    EXPECT_EQ(text, reinterpret_cast<char*>(0x1));
  }
}

TEST(WsqReader, ShortCommentReleasesItsBuffer) {
  Cursor c({0x00, 0x10, 'a', 'b'});
  char* text = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_comment(&text, c.cur, c.end), -40);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR : getc_bytes : premature End Of Buffer\n");
  EXPECT_EQ(text, nullptr);  // and the leak checker of the sanitizer pass sees no leak
}

TEST(WsqReader, SkipNeedsOneByteAfterTheSegment) {
  // The last segment ends exactly at the end: it cannot be skipped...
  const Bytes seg = {0x00, 0x05, 'a', 'b', 'c'};
  Cursor c(seg);
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_skip_marker_segment(w::COM_WSQ, c.cur, c.end), -2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR : getc_skip_marker_segment : unexpected end of buffer when parsing marker "
            "65448 segment of length 3\n");
  EXPECT_EQ(c.pos(), 2u) << "left just after the length field";
  // ... while a comment read takes it.
  Cursor d(seg);
  char* text = nullptr;
  ASSERT_EQ(w::getc_comment(&text, d.cur, d.end), 0);
  EXPECT_STREQ(text, "abc");
  std::free(text);
  // One byte more and the skip succeeds.
  Cursor e({0x00, 0x05, 'a', 'b', 'c', 0xFF});
  ASSERT_EQ(w::getc_skip_marker_segment(w::COM_WSQ, e.cur, e.end), 0);
  EXPECT_EQ(e.pos(), 5u);
}

TEST(WsqReader, SkipWithLengthBelowTwo) {
  // L - 2 taken as a 16-bit value: 65534 and 65535, far past the end.
  for (int len : {0, 1}) {
    Bytes data(100, 0x00);
    data[1] = static_cast<std::uint8_t>(len);
    Cursor c(data);
    testing::internal::CaptureStderr();
    EXPECT_EQ(w::getc_skip_marker_segment(w::DTT_WSQ, c.cur, c.end), -2);
    const std::string msg = testing::internal::GetCapturedStderr();
    EXPECT_NE(msg.find("segment of length " + std::to_string(65534 + len)), std::string::npos)
        << msg;
    EXPECT_EQ(c.pos(), 2u);
  }
}
