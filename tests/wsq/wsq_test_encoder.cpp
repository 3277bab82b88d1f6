#include "wsq_test_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "wsq/wsq_internal.h"

namespace wsqtest {

namespace w = trelvo::wsq;

namespace {

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v >> 16);
  put16(out, v & 0xFFFF);
}

// Standard 9/7 analysis filters, centre tap first.
const std::vector<double> kLowHalf = {0.852698679009403, 0.377402855612654, -0.110624404418423,
                                      -0.023849465019380, 0.037828455506995};
const std::vector<double> kHighHalf = {0.788485616405664, -0.418092273222212, -0.040689417609558,
                                       0.064538882628938};

// Whole-sample mirroring about 0 and n - 1, repeated as needed.
int reflect(long p, int n) {
  if (n <= 1) return 0;
  const long period = 2L * (n - 1);
  p %= period;
  if (p < 0) p += period;
  if (p > n - 1) p = period - p;
  return static_cast<int>(p);
}

// Analysis of one line of n samples (read and written with the given
// stride): low band (ceil(n/2) samples) then high band, or the high band
// first when inv is set.
void analyse_line(double* data, std::ptrdiff_t stride, int n, bool inv, std::vector<double>& x,
                  std::vector<double>& y) {
  if (n <= 0) return;
  x.resize(static_cast<std::size_t>(n));
  y.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) x[i] = data[i * stride];
  const int nl = (n + 1) / 2;
  const int nh = n / 2;
  const int lc = static_cast<int>(kLowHalf.size()) - 1;
  const int hc = static_cast<int>(kHighHalf.size()) - 1;
  const int loff = inv ? nh : 0;
  const int hoff = inv ? 0 : nl;
  for (int k = 0; k < nl; ++k) {
    double s = 0;
    for (int m = -lc; m <= lc; ++m) s += kLowHalf[std::abs(m)] * x[reflect(2L * k + m, n)];
    y[loff + k] = s;
  }
  for (int k = 0; k < nh; ++k) {
    double s = 0;
    for (int m = -hc; m <= hc; ++m) s += kHighHalf[std::abs(m)] * x[reflect(2L * k + 1 + m, n)];
    y[hoff + k] = s;
  }
  for (int i = 0; i < n; ++i) data[i * stride] = y[i];
}

int quantize(double a, double q, double z) {
  if (q <= 0) return 0;
  long v;
  if (a > z / 2) {
    v = static_cast<long>(std::floor((a - z / 2) / q)) + 1;
  } else if (a < -z / 2) {
    v = static_cast<long>(std::ceil((a + z / 2) / q)) - 1;
  } else {
    v = 0;
  }
  return static_cast<int>(std::clamp(v, -32767L, 32767L));
}

struct Code {
  std::uint32_t code = 0;
  int size = 0;
};

void canonical_codes(const HuffTable& t, Code codes[256]) {
  std::uint32_t code = 0;
  std::size_t k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < t.counts[len - 1]; ++i) {
      if (k >= t.values.size()) throw std::runtime_error("table has fewer values than counts");
      codes[t.values[k]] = {code, len};
      ++code;
      ++k;
    }
    code <<= 1;
  }
}

}  // namespace

std::vector<std::uint8_t> serialize(const std::vector<Segment>& segments) {
  std::vector<std::uint8_t> out;
  for (const Segment& s : segments) {
    put16(out, s.marker);
    out.insert(out.end(), s.body.begin(), s.body.end());
  }
  return out;
}

void scaled16(double value, std::uint8_t* scale, std::uint16_t* v) {
  int s = 0;
  while (s < 9 && std::llround(std::fabs(value) * std::pow(10.0, s + 1)) <= 65535) ++s;
  *scale = static_cast<std::uint8_t>(s);
  *v = static_cast<std::uint16_t>(std::llround(std::fabs(value) * std::pow(10.0, s)));
}

void scaled32(double value, std::uint8_t* scale, std::uint32_t* v) {
  int s = 0;
  while (s < 12 && std::llround(std::fabs(value) * std::pow(10.0, s + 1)) <= 0xFFFFFFFFLL) ++s;
  *scale = static_cast<std::uint8_t>(s);
  *v = static_cast<std::uint32_t>(std::llround(std::fabs(value) * std::pow(10.0, s)));
}

float unscaled(std::uint8_t scale, std::uint32_t v) { return w::wsq_scaled_value(scale, v); }

Segment make_segment(std::uint16_t marker, const std::vector<std::uint8_t>& content) {
  Segment s;
  s.marker = marker;
  put16(s.body, static_cast<unsigned>(content.size() + 2));
  s.body.insert(s.body.end(), content.begin(), content.end());
  return s;
}

Segment make_com(const std::string& text) {
  return make_segment(kCOM, std::vector<std::uint8_t>(text.begin(), text.end()));
}

Segment make_dtt(int hisz, int losz, const std::vector<double>& lo_half,
                 const std::vector<double>& hi_half) {
  std::vector<std::uint8_t> c;
  c.push_back(static_cast<std::uint8_t>(hisz));
  c.push_back(static_cast<std::uint8_t>(losz));
  for (const auto* half : {&lo_half, &hi_half}) {
    for (double v : *half) {
      std::uint8_t scale;
      std::uint32_t iv;
      scaled32(v, &scale, &iv);
      c.push_back(v < 0 ? 1 : 0);
      c.push_back(scale);
      put32(c, iv);
    }
  }
  return make_segment(kDTT, c);
}

Segment make_dtt_standard() { return make_dtt(9, 7, kLowHalf, kHighHalf); }

Segment make_dqt(double bin_center, const std::vector<double>& q, const std::vector<double>& z) {
  std::vector<std::uint8_t> c;
  std::uint8_t scale;
  std::uint16_t v;
  scaled16(bin_center, &scale, &v);
  c.push_back(scale);
  put16(c, v);
  for (int i = 0; i < 64; ++i) {
    const double qi = i < static_cast<int>(q.size()) ? q[i] : 0.0;
    const double zi = i < static_cast<int>(z.size()) ? z[i] : 0.0;
    scaled16(qi, &scale, &v);
    c.push_back(scale);
    put16(c, v);
    scaled16(zi, &scale, &v);
    c.push_back(scale);
    put16(c, v);
  }
  return make_segment(kDQT, c);
}

Segment make_dht(const std::vector<HuffTable>& tables) {
  std::vector<std::uint8_t> c;
  for (const HuffTable& t : tables) {
    c.push_back(t.id);
    c.insert(c.end(), t.counts, t.counts + 16);
    c.insert(c.end(), t.values.begin(), t.values.end());
  }
  return make_segment(kDHT, c);
}

Segment make_sof(int width, int height, double m_shift, double r_scale, std::uint8_t black,
                 std::uint8_t white, std::uint8_t encoder, std::uint16_t software) {
  std::vector<std::uint8_t> c;
  c.push_back(black);
  c.push_back(white);
  put16(c, static_cast<unsigned>(height));
  put16(c, static_cast<unsigned>(width));
  std::uint8_t scale;
  std::uint16_t v;
  scaled16(m_shift, &scale, &v);
  c.push_back(scale);
  put16(c, v);
  scaled16(r_scale, &scale, &v);
  c.push_back(scale);
  put16(c, v);
  c.push_back(encoder);
  put16(c, software);
  return make_segment(kSOF, c);
}

Segment make_sob(std::uint8_t table_id, const std::vector<std::uint8_t>& data) {
  Segment s = make_segment(kSOB, {table_id});
  s.body.insert(s.body.end(), data.begin(), data.end());
  return s;
}

std::vector<Symbol> symbols_for(const std::vector<int>& coefficients) {
  std::vector<Symbol> out;
  long run = 0;
  auto flush = [&] {
    while (run > 0) {
      if (run <= 100) {
        out.push_back({static_cast<int>(run), 0, 0});
        run = 0;
      } else if (run <= 255) {
        out.push_back({105, 8, static_cast<std::uint16_t>(run)});
        run = 0;
      } else {
        const long r = std::min(run, 65535L);
        out.push_back({106, 16, static_cast<std::uint16_t>(r)});
        run -= r;
      }
    }
  };
  for (int c : coefficients) {
    if (c == 0) {
      ++run;
      continue;
    }
    flush();
    if (c >= -73 && c <= 74) {
      out.push_back({c + 180, 0, 0});
    } else if (c > 0 && c <= 255) {
      out.push_back({101, 8, static_cast<std::uint16_t>(c)});
    } else if (c < 0 && c >= -255) {
      out.push_back({102, 8, static_cast<std::uint16_t>(-c)});
    } else if (c > 0) {
      out.push_back({103, 16, static_cast<std::uint16_t>(c)});
    } else {
      out.push_back({104, 16, static_cast<std::uint16_t>(-c)});
    }
  }
  flush();
  return out;
}

HuffTable build_table(std::uint8_t id, const std::vector<const std::vector<Symbol>*>& lists) {
  std::vector<long> freq(256, 0);
  for (const auto* l : lists)
    for (const Symbol& s : *l) freq[static_cast<std::size_t>(s.sym)]++;
  return build_table_from_frequencies(id, freq);
}

HuffTable build_table_from_frequencies(std::uint8_t id, const std::vector<long>& frequencies) {
  // Code lengths from the frequencies, with one reserved symbol (256) that
  // takes the all-ones code and is removed at the end; lengths limited to 16.
  long freq[257] = {};
  for (std::size_t i = 0; i < 256 && i < frequencies.size(); ++i) freq[i] = frequencies[i];
  freq[256] = 1;
  int codesize[257] = {};
  int others[257];
  std::fill(std::begin(others), std::end(others), -1);
  for (;;) {
    int c1 = -1, c2 = -1;
    long v = -1;
    for (int i = 0; i <= 256; ++i)
      if (freq[i] > 0 && (v < 0 || freq[i] <= v)) v = freq[i], c1 = i;
    v = -1;
    for (int i = 0; i <= 256; ++i)
      if (freq[i] > 0 && i != c1 && (v < 0 || freq[i] <= v)) v = freq[i], c2 = i;
    if (c2 < 0) break;
    freq[c1] += freq[c2];
    freq[c2] = 0;
    ++codesize[c1];
    while (others[c1] >= 0) {
      c1 = others[c1];
      ++codesize[c1];
    }
    others[c1] = c2;
    ++codesize[c2];
    while (others[c2] >= 0) {
      c2 = others[c2];
      ++codesize[c2];
    }
  }
  int bits[300] = {};
  for (int i = 0; i <= 256; ++i)
    if (codesize[i] > 0) bits[codesize[i]]++;
  for (int i = 299; i > 16; --i) {
    while (bits[i] > 0) {
      int j = i - 2;
      while (bits[j] == 0) --j;
      bits[i] -= 2;
      bits[i - 1] += 1;
      bits[j + 1] += 2;
      bits[j] -= 1;
    }
  }
  int i = 16;
  while (i > 0 && bits[i] == 0) --i;
  if (i > 0) bits[i]--;

  HuffTable t;
  t.id = id;
  for (int len = 1; len <= 16; ++len) t.counts[len - 1] = static_cast<std::uint8_t>(bits[len]);
  for (int len = 1; len < 300; ++len)
    for (int s = 0; s <= 255; ++s)
      if (codesize[s] == len) t.values.push_back(static_cast<std::uint8_t>(s));
  return t;
}

std::vector<std::uint8_t> entropy_code(const std::vector<Symbol>& symbols, const HuffTable& table) {
  Code codes[256];
  canonical_codes(table, codes);
  std::vector<std::uint8_t> out;
  std::uint32_t acc = 0;
  int nacc = 0;
  auto put_bits = [&](std::uint32_t v, int n) {
    for (int b = n - 1; b >= 0; --b) {
      acc = (acc << 1) | ((v >> b) & 1u);
      if (++nacc == 8) {
        out.push_back(static_cast<std::uint8_t>(acc));
        if (acc == 0xFF) out.push_back(0x00);
        acc = 0;
        nacc = 0;
      }
    }
  };
  for (const Symbol& s : symbols) {
    const Code& c = codes[s.sym];
    if (c.size == 0) throw std::runtime_error("symbol without code");
    put_bits(c.code, c.size);
    if (s.nbits > 0) put_bits(s.bits, s.nbits);
  }
  while (nacc != 0) put_bits(1, 1);
  return out;
}

Encoded encode_segments(const std::vector<std::uint8_t>& pixels, int width, int height,
                        const EncoderOptions& o) {
  const std::size_t npix = static_cast<std::size_t>(width) * height;
  if (pixels.size() != npix) throw std::runtime_error("pixel count");
  Encoded e;

  // Normalization, with the values as the decoder will read them.
  double sum = 0;
  int lo = 255, hi = 0;
  for (std::uint8_t p : pixels) {
    sum += p;
    lo = std::min<int>(lo, p);
    hi = std::max<int>(hi, p);
  }
  const double mean = npix ? sum / static_cast<double>(npix) : 0.0;
  double rs = std::max(hi - mean, mean - lo) / 128.0;
  if (rs <= 0) rs = 1.0;
  std::uint8_t scale;
  std::uint16_t v16;
  scaled16(mean, &scale, &v16);
  e.m_shift = unscaled(scale, v16);
  scaled16(rs, &scale, &v16);
  e.r_scale = unscaled(scale, v16);

  std::vector<double> img(npix);
  for (std::size_t i = 0; i < npix; ++i) img[i] = (pixels[i] - e.m_shift) / e.r_scale;

  w::WTree w_tree[w::W_TREELEN];
  w::QTree q_tree[w::Q_TREELEN];
  w::build_split_tree(w_tree, width, height);
  w::build_subband_tree(w_tree, q_tree);

  std::vector<double> x, y;
  for (int node = 0; node < w::W_TREELEN; ++node) {
    const w::WTree& t = w_tree[node];
    double* base = img.data() + static_cast<std::size_t>(t.y) * width + t.x;
    for (int r = 0; r < t.leny; ++r) analyse_line(base + r * width, 1, t.lenx, t.inv_rw, x, y);
    for (int c = 0; c < t.lenx; ++c) analyse_line(base + c, width, t.leny, t.inv_cl, x, y);
  }

  // Quantization tables as the decoder reads them.
  std::vector<double> q(64, 0.0), z(64, 0.0);
  std::vector<float> qf(64, 0.0f), zf(64, 0.0f);
  for (int k = 0; k < 60; ++k) {
    q[k] = o.q_bins.empty() ? o.q : (k < static_cast<int>(o.q_bins.size()) ? o.q_bins[k] : 0.0);
    z[k] = q[k] * o.z_factor;
    scaled16(q[k], &scale, &v16);
    qf[k] = unscaled(scale, v16);
    scaled16(z[k], &scale, &v16);
    zf[k] = unscaled(scale, v16);
  }

  // Coefficients of the three blocks: subbands 0..18, 19..51, 52..59.
  const int block_first[4] = {0, 19, 52, 60};
  std::vector<int> block_coeffs[3];
  for (int b = 0; b < 3; ++b) {
    for (int k = block_first[b]; k < block_first[b + 1]; ++k) {
      if (qf[k] == 0.0f) continue;
      const w::QTree& s = q_tree[k];
      for (int r = 0; r < s.leny; ++r) {
        for (int c = 0; c < s.lenx; ++c) {
          const double a = img[static_cast<std::size_t>(s.y + r) * width + s.x + c];
          int qv = quantize(a, qf[k], zf[k]);
          if (b == 2 && o.zero_block3) qv = 0;
          block_coeffs[b].push_back(qv);
        }
      }
    }
    e.coefficients.insert(e.coefficients.end(), block_coeffs[b].begin(), block_coeffs[b].end());
  }
  std::vector<Symbol> syms[3];
  for (int b = 0; b < 3; ++b) syms[b] = symbols_for(block_coeffs[b]);
  const HuffTable t0 = build_table(0, {&syms[0]});
  const HuffTable t1 = build_table(1, {&syms[1], &syms[2]});

  auto& seg = e.segments;
  seg.push_back({kSOI, {}});
  if (o.nistcom) {
    std::string text = "NIST_COM 9\nPIX_WIDTH " + std::to_string(width) + "\nPIX_HEIGHT " +
                       std::to_string(height) + "\nPIX_DEPTH 8\n";
    if (o.ppi_line) text += "PPI " + o.ppi + "\n";
    text += "LOSSY 1\nCOLORSPACE GRAY\nCOMPRESSION WSQ\nWSQ_BITRATE 2.000000";
    seg.push_back(make_com(text));
  }
  seg.push_back(make_dtt_standard());
  seg.push_back(make_dqt(o.bin_center, q, z));
  seg.push_back(make_dht({t0}));
  seg.push_back(make_sof(width, height, mean, rs, o.black, o.white, o.wsq_encoder, o.software));
  seg.push_back(make_sob(0, entropy_code(syms[0], t0)));
  seg.push_back(make_dht({t1}));
  seg.push_back(make_sob(1, entropy_code(syms[1], t1)));
  seg.push_back(make_sob(1, entropy_code(syms[2], t1)));
  seg.push_back({kEOI, {}});
  return e;
}

std::vector<std::uint8_t> encode(const std::vector<std::uint8_t>& pixels, int width, int height,
                                 const EncoderOptions& options) {
  return serialize(encode_segments(pixels, width, height, options).segments);
}

std::vector<std::uint8_t> ridge_image(int width, int height, unsigned seed) {
  // Concentric ridges of about ten pixels' period with smooth (3 x 3 box
  // filtered) noise: like a fingerprint, almost nothing in the highest
  // frequencies, which a standard stream does not code.
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 6.0);
  const std::size_t npix = static_cast<std::size_t>(width) * height;
  std::vector<double> n0(npix);
  for (double& v : n0) v = noise(rng);
  std::vector<std::uint8_t> px(npix);
  const double cx = width * 0.45, cy = height * 0.55;
  for (int yy = 0; yy < height; ++yy) {
    for (int xx = 0; xx < width; ++xx) {
      double nsum = 0;
      int cnt = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int sx = xx + dx, sy = yy + dy;
          if (sx < 0 || sy < 0 || sx >= width || sy >= height) continue;
          nsum += n0[static_cast<std::size_t>(sy) * width + sx];
          ++cnt;
        }
      const double dx = xx - cx, dy = (yy - cy) * 1.3;
      const double r = std::sqrt(dx * dx + dy * dy);
      const double ridge = std::sin(r * 0.62 + 0.3 * std::sin(xx * 0.05));
      const double fade = std::exp(-r / (0.9 * std::max(width, height)));
      const double val = 200.0 - 110.0 * fade * (0.5 + 0.5 * ridge) + nsum / cnt;
      px[static_cast<std::size_t>(yy) * width + xx] =
          static_cast<std::uint8_t>(std::clamp(val, 0.0, 255.0));
    }
  }
  return px;
}

std::vector<std::uint8_t> noise_image(int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> d(0, 255);
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height);
  for (auto& p : px) p = static_cast<std::uint8_t>(d(rng));
  return px;
}

std::vector<std::uint8_t> gradient_image(int width, int height) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height);
  for (int yy = 0; yy < height; ++yy)
    for (int xx = 0; xx < width; ++xx)
      px[static_cast<std::size_t>(yy) * width + xx] = static_cast<std::uint8_t>(
          (xx * 255 / std::max(1, width - 1) + yy * 255 / std::max(1, height - 1)) / 2);
  return px;
}

double psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  double se = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    se += d * d;
  }
  if (se == 0) return INFINITY;
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(n) / se);
}

}  // namespace wsqtest
