// Split and subband trees, scaled values, transform and quantization tables,
// dequantization, the one-dimensional synthesis and the frame size limit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <tuple>

#include "wsq_test_encoder.h"
#include "wsq_test_util.h"

namespace w = trelvo::wsq;
using wsqtest::Bytes;

namespace {

struct R {
  int x, y, lenx, leny;
};

void expect_node(const w::WTree& t, R r, const char* what) {
  EXPECT_EQ(std::tie(t.x, t.y, t.lenx, t.leny), std::tie(r.x, r.y, r.lenx, r.leny)) << what;
}

void expect_entry(const w::QTree& t, R r, const char* what) {
  EXPECT_EQ(std::tie(t.x, t.y, t.lenx, t.leny), std::tie(r.x, r.y, r.lenx, r.leny)) << what;
}

}  // namespace

TEST(WsqTrees, FiveHundredSquare) {
  w::WTree wt[20];
  w::build_split_tree(wt, 500, 500);
  expect_node(wt[1], {0, 0, 250, 250}, "node 1");
  expect_node(wt[4], {125, 0, 125, 125}, "node 4");
  // Node 4 (125 wide) splits smaller first: 62 then 63.
  EXPECT_EQ(wt[6].lenx, 62);
  EXPECT_EQ(wt[7].lenx, 63);
  // Node 14 (125 x 125) splits normally: 63 then 62.
  expect_node(wt[14], {0, 0, 125, 125}, "node 14");
  EXPECT_EQ(wt[15].lenx, 63);
  EXPECT_EQ(wt[16].lenx, 62);
  expect_node(wt[19], {0, 0, 32, 32}, "node 19");
}

TEST(WsqTrees, OddWidth) {
  for (int width : {17, 101, 545, 1571}) {
    w::WTree wt[20];
    w::build_split_tree(wt, width, 100);
    EXPECT_EQ(wt[1].lenx, (width + 1) / 2);
    EXPECT_EQ(wt[2].lenx, width / 2);
    EXPECT_EQ(wt[2].x, (width + 1) / 2);
  }
}

TEST(WsqTrees, FiveFortyFiveBySixTwentyTwo) {
  w::WTree wt[20];
  w::QTree qt[64];
  w::build_split_tree(wt, 545, 622);
  w::build_subband_tree(wt, qt);
  expect_node(wt[1], {0, 0, 273, 311}, "node 1");
  expect_node(wt[2], {273, 0, 272, 311}, "node 2");
  expect_node(wt[4], {137, 0, 136, 156}, "node 4");
  expect_node(wt[5], {0, 156, 137, 155}, "node 5");
  expect_node(wt[6], {137, 0, 68, 78}, "node 6");
  expect_node(wt[19], {0, 0, 35, 39}, "node 19");
  expect_entry(qt[0], {0, 0, 18, 20}, "subband 0");
  expect_entry(qt[3], {18, 20, 17, 19}, "subband 3");
  expect_entry(qt[37], {0, 195, 35, 38}, "subband 37");
  expect_entry(qt[51], {137, 156, 136, 155}, "subband 51");
  expect_entry(qt[59], {137, 466, 136, 156}, "subband 59");
}

TEST(WsqTrees, InversionFlags) {
  w::WTree wt[20];
  w::build_split_tree(wt, 300, 300);
  for (int n = 0; n < 20; ++n) {
    const bool ir = n == 2 || n == 4 || n == 7 || n == 9 || n == 11 || n == 13 || n == 16 || n == 18;
    const bool ic = n == 3 || n == 5 || n == 8 || n == 9 || n == 12 || n == 13 || n == 17 || n == 18;
    EXPECT_EQ(wt[n].inv_rw, ir) << n;
    EXPECT_EQ(wt[n].inv_cl, ic) << n;
  }
}

TEST(WsqTrees, SubbandsTileTheImage) {
  std::mt19937 rng(5);
  std::vector<std::pair<int, int>> sizes = {{17, 17}, {18, 33}, {64, 64}, {65, 65}, {500, 500},
                                            {545, 622}, {804, 1000}, {1608, 1000}};
  for (int i = 0; i < 40; ++i)
    sizes.emplace_back(std::uniform_int_distribution<int>(1, 700)(rng),
                       std::uniform_int_distribution<int>(1, 700)(rng));
  for (auto [width, height] : sizes) {
    w::WTree wt[20];
    w::QTree qt[64];
    w::build_split_tree(wt, width, height);
    w::build_subband_tree(wt, qt);
    std::vector<int> cover(static_cast<std::size_t>(width) * height, 0);
    for (const w::QTree& q : qt) {
      ASSERT_GE(q.lenx, 0);
      ASSERT_GE(q.leny, 0);
      for (int yy = q.y; yy < q.y + q.leny; ++yy)
        for (int xx = q.x; xx < q.x + q.lenx; ++xx) {
          ASSERT_TRUE(xx >= 0 && xx < width && yy >= 0 && yy < height);
          cover[static_cast<std::size_t>(yy) * width + xx]++;
        }
    }
    for (int c : cover) ASSERT_EQ(c, 1) << width << "x" << height;
  }
}

TEST(WsqTrees, SmallestFrame) {
  EXPECT_EQ(w::WSQ_MIN_DIMENSION, 17);
  EXPECT_FALSE(w::wsq_frame_size_ok(0, 500));
  EXPECT_FALSE(w::wsq_frame_size_ok(500, 0));
  EXPECT_FALSE(w::wsq_frame_size_ok(16, 500));
  EXPECT_FALSE(w::wsq_frame_size_ok(500, 16));
  EXPECT_TRUE(w::wsq_frame_size_ok(17, 17));
  // Every size from the minimum on passes, and then every one of the 60
  // coded subbands holds data.
  for (int n = 1; n <= 2100; ++n) {
    EXPECT_EQ(w::wsq_frame_size_ok(n, 1000), n >= 17) << n;
    EXPECT_EQ(w::wsq_frame_size_ok(1000, n), n >= 17) << n;
    if (n >= 17 && n < 300) {
      w::WTree wt[20];
      w::QTree qt[64];
      w::build_split_tree(wt, n, n);
      w::build_subband_tree(wt, qt);
      for (int k = 0; k < 60; ++k) ASSERT_GT(qt[k].lenx * qt[k].leny, 0) << n << " " << k;
    }
  }
}

TEST(WsqTables, ScaledValue) {
  EXPECT_EQ(w::wsq_scaled_value(2, 12345), 123.45f);
  EXPECT_EQ(w::wsq_scaled_value(0, 7), 7.0f);
  EXPECT_EQ(w::wsq_scaled_value(1, 5), 0.5f);
  // Rounded to single precision after each multiplication.
  float f = 12345.0f;
  f = static_cast<float>(f * 0.1L);
  f = static_cast<float>(f * 0.1L);
  EXPECT_EQ(w::wsq_scaled_value(2, 12345), f);
  EXPECT_EQ(w::wsq_scaled_value(255, 0xFFFFFFFFu), 0.0f);
}

namespace {
struct DttResult {
  int rc;
  std::string messages;
};

DttResult read_dtt(w::DttTable* dtt, const wsqtest::Segment& seg, std::size_t cut = 0) {
  Bytes body(seg.body.begin(), seg.body.end() - static_cast<std::ptrdiff_t>(cut));
  const std::uint8_t* cur = body.data();
  testing::internal::CaptureStderr();
  const int rc = w::getc_transform_table(dtt, cur, body.data() + body.size());
  return {rc, testing::internal::GetCapturedStderr()};
}
}  // namespace

TEST(WsqTables, StandardTransformTable) {
  w::DttTable dtt;
  ASSERT_EQ(read_dtt(&dtt, wsqtest::make_dtt_standard()).rc, 0);
  ASSERT_TRUE(dtt.lodef && dtt.hidef);
  EXPECT_EQ(dtt.hisz, 9);
  EXPECT_EQ(dtt.losz, 7);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(dtt.hifilt[i], dtt.hifilt[8 - i]) << i;
  for (int i = 0; i < 7; ++i) EXPECT_EQ(dtt.lofilt[i], dtt.lofilt[6 - i]) << i;
  // lofilt[3] is the analysis high-pass centre tap, lofilt[4] its negated
  // neighbour; hifilt[4] the analysis low-pass centre tap, hifilt[5] the
  // negated neighbour.
  EXPECT_NEAR(dtt.lofilt[3], 0.788485616405664, 1e-7);
  EXPECT_NEAR(dtt.lofilt[4], 0.418092273222212, 1e-7);
  EXPECT_NEAR(dtt.lofilt[5], -0.040689417609558, 1e-7);
  EXPECT_NEAR(dtt.lofilt[6], -0.064538882628938, 1e-7);
  EXPECT_NEAR(dtt.hifilt[4], 0.852698679009403, 1e-7);
  EXPECT_NEAR(dtt.hifilt[5], -0.377402855612654, 1e-7);
  EXPECT_NEAR(dtt.hifilt[8], 0.037828455506995, 1e-7);
  // Low-pass sums to sqrt(2); the high-pass sums to zero.
  double slo = 0, shi = 0;
  for (int i = 0; i < 7; ++i) slo += dtt.lofilt[i];
  for (int i = 0; i < 9; ++i) shi += dtt.hifilt[i];
  EXPECT_NEAR(slo, std::sqrt(2.0), 1e-6);
  EXPECT_NEAR(shi, 0.0, 1e-6);
}

TEST(WsqTables, SecondTransformTableReplacesTheFirst) {
  w::DttTable dtt;
  ASSERT_EQ(read_dtt(&dtt, wsqtest::make_dtt(3, 3, {0.5, 0.25}, {0.75, 0.125})).rc, 0);
  EXPECT_EQ(dtt.hisz, 3);
  EXPECT_FLOAT_EQ(dtt.hifilt[1], 0.5f);
  EXPECT_FLOAT_EQ(dtt.hifilt[0], -0.25f);
  EXPECT_FLOAT_EQ(dtt.lofilt[1], 0.75f);
  EXPECT_FLOAT_EQ(dtt.lofilt[2], -0.125f);
  ASSERT_EQ(read_dtt(&dtt, wsqtest::make_dtt_standard()).rc, 0);
  EXPECT_EQ(dtt.hisz, 9);
  EXPECT_EQ(dtt.losz, 7);
  EXPECT_NEAR(dtt.lofilt[3], 0.788485616405664, 1e-7);
}

TEST(WsqTables, EvenFilterLengths) {
  // Counts 4 and 2: hifilt from two records c0, c1 around h = 1:
  // hifilt[2] = c0, hifilt[3] = -c1, hifilt[1] = -c0, hifilt[0] = c1.
  // lofilt from one record d0 around l = 0: lofilt[1] = -d0, lofilt[0] = -d0.
  w::DttTable dtt;
  ASSERT_EQ(read_dtt(&dtt, wsqtest::make_dtt(4, 2, {0.5, 0.25}, {0.75})).rc, 0);
  EXPECT_FLOAT_EQ(dtt.hifilt[2], 0.5f);
  EXPECT_FLOAT_EQ(dtt.hifilt[3], -0.25f);
  EXPECT_FLOAT_EQ(dtt.hifilt[1], -0.5f);
  EXPECT_FLOAT_EQ(dtt.hifilt[0], 0.25f);
  EXPECT_FLOAT_EQ(dtt.lofilt[1], -0.75f);
  EXPECT_FLOAT_EQ(dtt.lofilt[0], -0.75f);
  // The reconstruction rejects them.
  std::vector<float> img(17 * 17, 0.0f);
  w::WTree wt[20];
  w::build_split_tree(wt, 17, 17);
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::wsq_reconstruct(img.data(), 17, 17, wt, &dtt), w::WSQ_ERR_FILTER_LENGTH);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: wsq_reconstruct : filter lengths 2 and 4 must both be odd\n");
}

TEST(WsqTables, ZeroFilterLengthIsRejected) {
  w::DttTable dtt;
  ASSERT_EQ(read_dtt(&dtt, wsqtest::make_dtt(0, 7, {}, {0.7, 0.4, 0.04, 0.06})).rc, 0);
  std::vector<float> img(17 * 17, 0.0f);
  w::WTree wt[20];
  w::build_split_tree(wt, 17, 17);
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::wsq_reconstruct(img.data(), 17, 17, wt, &dtt), w::WSQ_ERR_FILTER_LENGTH);
  testing::internal::GetCapturedStderr();
}

TEST(WsqTables, TruncatedTransformTable) {
  const wsqtest::Segment seg = wsqtest::make_dtt_standard();
  for (std::size_t cut = 1; cut < seg.body.size(); ++cut) {
    w::DttTable dtt;
    const DttResult r = read_dtt(&dtt, seg, cut);
    EXPECT_TRUE(r.rc == -39 || r.rc == -40) << cut;
    EXPECT_FALSE(dtt.lodef);
    EXPECT_FALSE(dtt.hidef);
    if (seg.body.size() - cut >= 4) {
      EXPECT_EQ(dtt.lofilt, nullptr) << "released";
      EXPECT_EQ(dtt.hifilt, nullptr);
    }
  }
}

TEST(WsqTables, ReconstructNeedsBothFilters) {
  std::vector<float> img(17 * 17, 0.0f);
  w::WTree wt[20];
  w::build_split_tree(wt, 17, 17);
  w::DttTable dtt;
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::wsq_reconstruct(img.data(), 17, 17, wt, &dtt), -95);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: wsq_reconstruct : Lopass filter coefficients not defined\n");
  dtt.lodef = true;
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::wsq_reconstruct(img.data(), 17, 17, wt, &dtt), -96);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: wsq_reconstruct : Hipass filter coefficients not defined\n");
}

TEST(WsqTables, QuantizationTable) {
  std::vector<double> q(64, 0.0), z(64, 0.0);
  q[0] = 10;
  z[0] = 12;
  q[7] = 1.5;
  z[7] = 1.8;
  const wsqtest::Segment seg = wsqtest::make_dqt(0.44, q, z);
  ASSERT_EQ(seg.body.size(), 389u);
  w::DqtTable dqt;
  const std::uint8_t* cur = seg.body.data();
  ASSERT_EQ(w::getc_dqt_wsq(&dqt, cur, seg.body.data() + seg.body.size()), 0);
  EXPECT_TRUE(dqt.dqt_def);
  EXPECT_EQ(dqt.bin_center, 0.44f);
  EXPECT_EQ(dqt.q_bin[0], 10.0f);
  EXPECT_EQ(dqt.z_bin[0], 12.0f);
  EXPECT_FLOAT_EQ(dqt.q_bin[7], 1.5f);
  EXPECT_EQ(dqt.q_bin[8], 0.0f);
  // Truncated: the flag stays as it was.
  w::DqtTable fresh;
  Bytes cut(seg.body.begin(), seg.body.end() - 1);
  cur = cut.data();
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_dqt_wsq(&fresh, cur, cut.data() + cut.size()), -40);
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(fresh.dqt_def);
}

TEST(WsqTables, Dequantization) {
  const int width = 64, height = 64;
  w::WTree wt[20];
  w::QTree qt[64];
  w::build_split_tree(wt, width, height);
  w::build_subband_tree(wt, qt);
  w::DqtTable dqt;
  dqt.dqt_def = true;
  dqt.bin_center = 0.44f;
  dqt.q_bin[0] = 10.0f;
  dqt.z_bin[0] = 12.0f;
  dqt.q_bin[2] = 10.0f;  // subband 1 stays uncoded: it takes no entries
  dqt.z_bin[2] = 12.0f;
  std::vector<std::int16_t> sip(static_cast<std::size_t>(width) * height, 0);
  ASSERT_EQ(qt[0].lenx * qt[0].leny, 4);
  sip[0] = 1;
  sip[1] = -1;
  sip[2] = 0;
  sip[3] = 2;
  sip[4] = 1;  // first entry of subband 2
  float* fip = nullptr;
  ASSERT_EQ(w::unquantize(&fip, &dqt, qt, sip.data(), width, height), 0);
  EXPECT_FLOAT_EQ(fip[0], 11.6f);
  EXPECT_FLOAT_EQ(fip[1], -11.6f);
  EXPECT_EQ(fip[width], 0.0f);
  EXPECT_FLOAT_EQ(fip[width + 1], 21.6f);
  EXPECT_FLOAT_EQ(fip[qt[2].y * width + qt[2].x], 11.6f);
  EXPECT_EQ(fip[qt[1].y * width + qt[1].x], 0.0f);
  // single precision, in the order given
  const float expect = 10.0f * (1.0f - 0.44f) + 12.0f * 0.5f;
  EXPECT_EQ(fip[0], expect);
  std::free(fip);

  w::DqtTable undefined;
  fip = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::unquantize(&fip, &undefined, qt, sip.data(), width, height), -92);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: unquantize : quantization table parameters not defined!\n");
  EXPECT_EQ(fip, nullptr);
}

// ------------------------------------------------------ join_halves
namespace {

// The synthesis exactly as written: the bands on a grid of n positions,
// extended by mirroring, every product of both sums (zeros included) added
// in order.
std::vector<float> reference_join(const std::vector<float>& line, bool inv, const float* hifilt,
                                  int hisize, const float* lofilt, int losize) {
  const int n = static_cast<int>(line.size());
  const int nl = (n + 1) / 2, nh = n / 2;
  std::vector<float> u(n, 0.0f), v(n, 0.0f);
  for (int k = 0; k < nl; ++k) u[2 * k] = line[(inv ? nh : 0) + k];
  for (int k = 0; k < nh; ++k) v[2 * k + 1] = line[(inv ? 0 : nl) + k];
  auto at = [n](const std::vector<float>& g, long p) {
    if (n == 1) return p % 2 == 0 ? g[0] : 0.0f;  // one sample: a constant band
    const long period = 2L * (n - 1);
    p %= period;
    if (p < 0) p += period;
    if (p > n - 1) p = period - p;
    return g[p];
  };
  std::vector<float> out(n);
  for (int s = 0; s < n; ++s) {
    float acc = 0.0f;
    for (int j = 0; j < losize; ++j) acc += lofilt[j] * at(u, s + (losize - 1) / 2 - j);
    for (int j = 0; j < hisize; ++j) acc += hifilt[j] * at(v, s + (hisize - 1) / 2 - j);
    out[s] = acc;
  }
  return out;
}

}  // namespace

TEST(WsqJoin, MatchesTheDirectSumBitForBit) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-100.0f, 100.0f);
  w::DttTable standard;
  {
    const wsqtest::Segment seg = wsqtest::make_dtt_standard();
    const std::uint8_t* cur = seg.body.data();
    ASSERT_EQ(w::getc_transform_table(&standard, cur, seg.body.data() + seg.body.size()), 0);
  }
  struct Filters {
    std::vector<float> hi, lo;
  };
  std::vector<Filters> filters;
  filters.push_back({std::vector<float>(standard.hifilt, standard.hifilt + 9),
                     std::vector<float>(standard.lofilt, standard.lofilt + 7)});
  for (int hs : {1, 3, 5, 11, 15}) {
    for (int ls : {1, 7, 13}) {
      Filters f;
      for (int i = 0; i < hs; ++i) f.hi.push_back(u(rng) / 100);
      for (int i = 0; i < ls; ++i) f.lo.push_back(u(rng) / 100);
      filters.push_back(f);
    }
  }
  const int lines = 5;
  for (const Filters& f : filters) {
    for (int n = 2; n <= 40; ++n) {
      for (bool inv : {false, true}) {
        // Lines as rows (stride 1), as columns (pitch 1), and both strided.
        const int pad = 3;
        for (int mode = 0; mode < 3; ++mode) {
          const std::ptrdiff_t pitch = mode == 0 ? n + pad : (mode == 1 ? 1 : 2 * n + 1);
          const std::ptrdiff_t stride = mode == 0 ? 1 : (mode == 1 ? lines + pad : 2);
          const std::size_t size = static_cast<std::size_t>(pitch * (lines - 1) + stride * (n - 1) + 1);
          std::vector<float> in(size), out(size, 1234.0f);
          for (float& x : in) x = u(rng);
          std::vector<std::vector<float>> expect;
          for (int l = 0; l < lines; ++l) {
            std::vector<float> line(n);
            for (int s = 0; s < n; ++s) line[s] = in[l * pitch + s * stride];
            expect.push_back(reference_join(line, inv, f.hi.data(), static_cast<int>(f.hi.size()),
                                            f.lo.data(), static_cast<int>(f.lo.size())));
          }
          w::join_halves(out.data(), in.data(), lines, n, pitch, stride, f.hi.data(),
                         static_cast<int>(f.hi.size()), f.lo.data(), static_cast<int>(f.lo.size()),
                         inv);
          for (int l = 0; l < lines; ++l)
            for (int s = 0; s < n; ++s)
              ASSERT_EQ(out[l * pitch + s * stride], expect[l][s])
                  << "n=" << n << " inv=" << inv << " mode=" << mode << " line=" << l
                  << " s=" << s << " filters " << f.hi.size() << "/" << f.lo.size();
        }
      }
    }
  }
}

TEST(WsqJoin, SingleSampleLine) {
  const float lo[3] = {0.25f, 0.5f, 0.25f};
  const float hi[3] = {-0.5f, 1.0f, -0.5f};
  std::vector<float> in = {8.0f}, out = {0.0f};
  w::join_halves(out.data(), in.data(), 1, 1, 1, 1, hi, 3, lo, 3, false);
  EXPECT_EQ(out[0], reference_join({8.0f}, false, hi, 3, lo, 3)[0]);
}
