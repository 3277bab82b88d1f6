#include "image/group4.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace trelvo {

namespace {

// ---------------------------------------------------------------------------
// Run-length codes (modified Huffman codes of T.4), as bit strings.

struct RunCode {
  int run;
  const char* bits;
};

constexpr RunCode kWhiteCodes[] = {
    {0, "00110101"},   {1, "000111"},     {2, "0111"},       {3, "1000"},
    {4, "1011"},       {5, "1100"},       {6, "1110"},       {7, "1111"},
    {8, "10011"},      {9, "10100"},      {10, "00111"},     {11, "01000"},
    {12, "001000"},    {13, "000011"},    {14, "110100"},    {15, "110101"},
    {16, "101010"},    {17, "101011"},    {18, "0100111"},   {19, "0001100"},
    {20, "0001000"},   {21, "0010111"},   {22, "0000011"},   {23, "0000100"},
    {24, "0101000"},   {25, "0101011"},   {26, "0010011"},   {27, "0100100"},
    {28, "0011000"},   {29, "00000010"},  {30, "00000011"},  {31, "00011010"},
    {32, "00011011"},  {33, "00010010"},  {34, "00010011"},  {35, "00010100"},
    {36, "00010101"},  {37, "00010110"},  {38, "00010111"},  {39, "00101000"},
    {40, "00101001"},  {41, "00101010"},  {42, "00101011"},  {43, "00101100"},
    {44, "00101101"},  {45, "00000100"},  {46, "00000101"},  {47, "00001010"},
    {48, "00001011"},  {49, "01010010"},  {50, "01010011"},  {51, "01010100"},
    {52, "01010101"},  {53, "00100100"},  {54, "00100101"},  {55, "01011000"},
    {56, "01011001"},  {57, "01011010"},  {58, "01011011"},  {59, "01001010"},
    {60, "01001011"},  {61, "00110010"},  {62, "00110011"},  {63, "00110100"},
    {64, "11011"},     {128, "10010"},    {192, "010111"},   {256, "0110111"},
    {320, "00110110"}, {384, "00110111"}, {448, "01100100"}, {512, "01100101"},
    {576, "01101000"}, {640, "01100111"}, {704, "011001100"}, {768, "011001101"},
    {832, "011010010"}, {896, "011010011"}, {960, "011010100"}, {1024, "011010101"},
    {1088, "011010110"}, {1152, "011010111"}, {1216, "011011000"}, {1280, "011011001"},
    {1344, "011011010"}, {1408, "011011011"}, {1472, "010011000"}, {1536, "010011001"},
    {1600, "010011010"}, {1664, "011000"},  {1728, "010011011"},
};

constexpr RunCode kBlackCodes[] = {
    {0, "0000110111"},    {1, "010"},           {2, "11"},            {3, "10"},
    {4, "011"},           {5, "0011"},          {6, "0010"},          {7, "00011"},
    {8, "000101"},        {9, "000100"},        {10, "0000100"},      {11, "0000101"},
    {12, "0000111"},      {13, "00000100"},     {14, "00000111"},     {15, "000011000"},
    {16, "0000010111"},   {17, "0000011000"},   {18, "0000001000"},   {19, "00001100111"},
    {20, "00001101000"},  {21, "00001101100"},  {22, "00000110111"},  {23, "00000101000"},
    {24, "00000010111"},  {25, "00000011000"},  {26, "000011001010"}, {27, "000011001011"},
    {28, "000011001100"}, {29, "000011001101"}, {30, "000001101000"}, {31, "000001101001"},
    {32, "000001101010"}, {33, "000001101011"}, {34, "000011010010"}, {35, "000011010011"},
    {36, "000011010100"}, {37, "000011010101"}, {38, "000011010110"}, {39, "000011010111"},
    {40, "000001101100"}, {41, "000001101101"}, {42, "000011011010"}, {43, "000011011011"},
    {44, "000001010100"}, {45, "000001010101"}, {46, "000001010110"}, {47, "000001010111"},
    {48, "000001100100"}, {49, "000001100101"}, {50, "000001010010"}, {51, "000001010011"},
    {52, "000000100100"}, {53, "000000110111"}, {54, "000000111000"}, {55, "000000100111"},
    {56, "000000101000"}, {57, "000001011000"}, {58, "000001011001"}, {59, "000000101011"},
    {60, "000000101100"}, {61, "000001011010"}, {62, "000001100110"}, {63, "000001100111"},
    {64, "0000001111"},    {128, "000011001000"},  {192, "000011001001"},  {256, "000001011011"},
    {320, "000000110011"}, {384, "000000110100"},  {448, "000000110101"},  {512, "0000001101100"},
    {576, "0000001101101"}, {640, "0000001001010"}, {704, "0000001001011"}, {768, "0000001001100"},
    {832, "0000001001101"}, {896, "0000001110010"}, {960, "0000001110011"}, {1024, "0000001110100"},
    {1088, "0000001110101"}, {1152, "0000001110110"}, {1216, "0000001110111"}, {1280, "0000001010010"},
    {1344, "0000001010011"}, {1408, "0000001010100"}, {1472, "0000001010101"}, {1536, "0000001011010"},
    {1600, "0000001011011"}, {1664, "0000001100100"}, {1728, "0000001100101"},
};

// Make-up codes shared by both colours.
constexpr RunCode kExtendedCodes[] = {
    {1792, "00000001000"},  {1856, "00000001100"},  {1920, "00000001101"},
    {1984, "000000010010"}, {2048, "000000010011"}, {2112, "000000010100"},
    {2176, "000000010101"}, {2240, "000000010110"}, {2304, "000000010111"},
    {2368, "000000011100"}, {2432, "000000011101"}, {2496, "000000011110"},
    {2560, "000000011111"},
};

// Binary code tree: node 0 is the root; a node holds a run length (leaf) or
// -1, and the indices of its children for bit 0 and bit 1 (0 = no child).
class CodeTree {
 public:
  struct Node {
    std::int16_t run = -1;
    std::array<std::int16_t, 2> child{};
  };

  template <std::size_t N>
  void add(const RunCode (&codes)[N]) {
    for (const RunCode& code : codes) {
      int node = 0;
      for (const char* p = code.bits; *p != '\0'; ++p) {
        const int bit = *p - '0';
        auto& next = nodes_[static_cast<std::size_t>(node)].child[static_cast<std::size_t>(bit)];
        if (next == 0) {
          next = static_cast<std::int16_t>(size_++);
        }
        node = next;
      }
      nodes_[static_cast<std::size_t>(node)].run = static_cast<std::int16_t>(code.run);
    }
  }

  const Node& node(int index) const noexcept { return nodes_[static_cast<std::size_t>(index)]; }

 private:
  // 104 codes of at most 13 bits need far fewer nodes than this.
  std::array<Node, 512> nodes_{};
  int size_ = 1;
};

struct CodeTrees {
  CodeTree white;
  CodeTree black;
  CodeTrees() {
    white.add(kWhiteCodes);
    white.add(kExtendedCodes);
    black.add(kBlackCodes);
    black.add(kExtendedCodes);
  }
};

const CodeTrees& code_trees() {
  static const CodeTrees trees;
  return trees;
}

// ---------------------------------------------------------------------------

enum class Mode { Pass, Horizontal, Vertical, EndOfBlock };

constexpr int kWhite = 0;
constexpr int kBlack = 1;

// Room for the changing elements of one row beyond its width.
constexpr int kListSlack = 25;

class Decoder {
 public:
  Decoder(const std::uint8_t* input, std::size_t input_length, int width, std::uint8_t* output,
          const std::uint8_t* white_row, const std::uint8_t* black_row, std::int32_t* reference,
          std::int32_t* coding)
      : input_(input),
        input_bits_(input_length * 8),
        output_(output),
        width_(width),
        capacity_(width + kListSlack),
        fill_{white_row, black_row},
        reference_(reference),
        coding_(coding),
        trees_(code_trees()) {
    // The line above the first row is an imaginary white line.
    reference_[0] = -1;
    reference_[1] = reference_[2] = reference_[3] = width_;
    reference_length_ = 4;
    coding_[0] = -1;
  }

  // Decodes one row. Sets end_of_block when the row was the end-of-block code.
  int decode_row(bool& end_of_block);

  // Closes the row just decoded and makes it the reference for the next one.
  void next_row() noexcept {
    for (int i = 0; i < 3; ++i) {
      coding_[++count_] = width_;
    }
    std::swap(reference_, coding_);
    reference_length_ = count_ + 1;
    count_ = 0;
    coding_[0] = -1;
  }

 private:
  int read_bit() noexcept {
    if (bit_position_ >= input_bits_) {
      return -1;
    }
    const int bit = (input_[bit_position_ >> 3] >> (7 - (bit_position_ & 7))) & 1;
    ++bit_position_;
    return bit;
  }

  int read_mode(Mode& mode, int& offset) noexcept;
  int read_end_of_block() noexcept;
  int read_run(int colour, long long limit, int& run) noexcept;
  void write_run(int n, int colour) noexcept;
  int append(int position) noexcept {
    if (count_ + 1 + 3 >= capacity_) {
      return kGroup4LineOverflow;
    }
    coding_[++count_] = position;
    return kGroup4Ok;
  }
  std::int32_t reference_at(int index) const noexcept {
    return index < reference_length_ ? reference_[index] : width_;
  }
  // Moves b1 to the first changing element of the reference line right of a0
  // that starts a run of the colour opposite to the current one.
  int next_b1(int index, int a0, int colour) const noexcept {
    const int parity = colour == kWhite ? 1 : 0;
    if ((index & 1) != parity) {
      --index;  // the element just before the old b1 is the earliest candidate
    }
    while (reference_at(index) <= a0 && reference_at(index) < width_) {
      index += 2;
    }
    return index;
  }

  const std::uint8_t* input_;
  std::size_t input_bits_;
  std::size_t bit_position_ = 0;
  std::uint8_t* output_;
  std::size_t output_bit_ = 0;
  int width_;
  int capacity_;
  std::array<const std::uint8_t*, 2> fill_;
  std::int32_t* reference_;
  std::int32_t* coding_;
  int reference_length_ = 0;
  int count_ = 0;
  const CodeTrees& trees_;
};

int Decoder::read_mode(Mode& mode, int& offset) noexcept {
  // 1 V0 | 011 VR1 | 010 VL1 | 001 H | 0001 P | 000011 VR2 | 000010 VL2 |
  // 0000011 VR3 | 0000010 VL3 | 000000 start of the end-of-block code.
  int zeros = 0;
  for (;;) {
    const int bit = read_bit();
    if (bit < 0) {
      return kGroup4Truncated;
    }
    if (bit == 1) {
      break;
    }
    if (++zeros == 6) {
      mode = Mode::EndOfBlock;
      return kGroup4Ok;
    }
  }
  switch (zeros) {
    case 0:
      mode = Mode::Vertical;
      offset = 0;
      return kGroup4Ok;
    case 2:
      mode = Mode::Horizontal;
      return kGroup4Ok;
    case 3:
      mode = Mode::Pass;
      return kGroup4Ok;
    default: {
      const int bit = read_bit();
      if (bit < 0) {
        return kGroup4Truncated;
      }
      mode = Mode::Vertical;
      const int size = zeros == 1 ? 1 : zeros - 2;  // 1, 2 or 3
      offset = bit == 1 ? size : -size;
      return kGroup4Ok;
    }
  }
}

int Decoder::read_end_of_block() noexcept {
  // Six zeros are read; the rest of the first end-of-line code and a second
  // one must follow: 000001 000000000001.
  for (int i = 0; i < 18; ++i) {
    const int bit = read_bit();
    if (bit < 0) {
      return kGroup4Truncated;
    }
    const int expected = (i == 5 || i == 17) ? 1 : 0;
    if (bit != expected) {
      return kGroup4InvalidCode;
    }
  }
  return kGroup4Ok;
}

int Decoder::read_run(int colour, long long limit, int& run) noexcept {
  const CodeTree& tree = colour == kWhite ? trees_.white : trees_.black;
  long long total = 0;
  for (;;) {
    int node = 0;
    while (tree.node(node).run < 0) {
      const int bit = read_bit();
      if (bit < 0) {
        return kGroup4Truncated;
      }
      node = tree.node(node).child[static_cast<std::size_t>(bit)];
      if (node == 0) {
        return kGroup4InvalidCode;
      }
    }
    const int length = tree.node(node).run;
    total += length;
    if (total > limit) {
      return kGroup4BadRun;
    }
    if (length < 64) {
      run = static_cast<int>(total);
      return kGroup4Ok;
    }
  }
}

void Decoder::write_run(int n, int colour) noexcept {
  std::size_t bit = output_bit_;
  std::size_t left = static_cast<std::size_t>(n);
  const auto set_bit = [this, colour](std::size_t at) {
    const auto mask = static_cast<std::uint8_t>(0x80u >> (at & 7));
    if (colour == kBlack) {
      output_[at >> 3] = static_cast<std::uint8_t>(output_[at >> 3] | mask);
    } else {
      output_[at >> 3] = static_cast<std::uint8_t>(output_[at >> 3] & ~mask);
    }
  };
  while (left > 0 && (bit & 7) != 0) {
    set_bit(bit++);
    --left;
  }
  const std::size_t whole = left / 8;
  if (whole > 0) {
    std::memcpy(output_ + (bit >> 3), fill_[static_cast<std::size_t>(colour)], whole);
    bit += whole * 8;
    left -= whole * 8;
  }
  while (left > 0) {
    set_bit(bit++);
    --left;
  }
  output_bit_ = bit;
}

int Decoder::decode_row(bool& end_of_block) {
  end_of_block = false;
  int a0 = 0;
  int colour = kWhite;
  int b1 = 1;
  bool at_start = true;  // a0 still stands before the first pixel
  while (a0 < width_) {
    Mode mode = Mode::Pass;
    int offset = 0;
    if (int rc = read_mode(mode, offset); rc != kGroup4Ok) {
      return rc;
    }
    switch (mode) {
      case Mode::EndOfBlock: {
        if (int rc = read_end_of_block(); rc != kGroup4Ok) {
          return rc;
        }
        if (!at_start) {
          return kGroup4Truncated;  // the block ends inside a row
        }
        end_of_block = true;
        return kGroup4Ok;
      }
      case Mode::Pass: {
        const int b2 = reference_at(b1 + 1);
        if (b2 < a0) {
          return kGroup4BadRun;
        }
        write_run(b2 - a0, colour);
        a0 = b2;
        b1 = next_b1(b1 + 2, a0, colour);
        break;
      }
      case Mode::Horizontal: {
        for (int i = 0; i < 2; ++i) {
          int run = 0;
          if (int rc = read_run(colour, width_ - a0, run); rc != kGroup4Ok) {
            return rc;
          }
          write_run(run, colour);
          a0 += run;
          colour ^= 1;
          if (int rc = append(a0); rc != kGroup4Ok) {
            return rc;
          }
        }
        b1 = next_b1(b1, a0, colour);
        break;
      }
      case Mode::Vertical: {
        const int a1 = reference_at(b1) + offset;
        if (a1 < a0 || a1 > width_) {
          return kGroup4BadRun;
        }
        write_run(a1 - a0, colour);
        a0 = a1;
        colour ^= 1;
        if (int rc = append(a0); rc != kGroup4Ok) {
          return rc;
        }
        b1 = next_b1(b1, a0, colour);
        break;
      }
    }
    at_start = false;
  }
  return kGroup4Ok;
}

const char* failure_text(int code) noexcept {
  switch (code) {
    case kGroup4BadGeometry: return "ERROR : decompress_group4 : invalid image width or height\n";
    case kGroup4OutputTooSmall: return "ERROR : decompress_group4 : output buffer too small\n";
    case kGroup4NoMemory: return "ERROR : decompress_group4 : no memory for the line buffers\n";
    case kGroup4Truncated: return "ERROR : decompress_group4 : compressed data ended too early\n";
    case kGroup4InvalidCode: return "ERROR : decompress_group4 : invalid code\n";
    case kGroup4BadRun: return "ERROR : decompress_group4 : run outside the row\n";
    case kGroup4LineOverflow: return "ERROR : decompress_group4 : too many changes in a row\n";
    default: return "ERROR : decompress_group4 : decoding failed\n";
  }
}

}  // namespace

std::size_t group4_output_bytes(int width, int height) noexcept {
  if (width <= 0 || height <= 0) {
    return 0;
  }
  const auto bits = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
  return static_cast<std::size_t>((bits + 7) / 8);
}

int decompress_group4(const std::uint8_t* input, std::size_t input_length, int width, int height,
                      std::uint8_t* output, std::size_t output_capacity,
                      std::size_t* output_size) noexcept {
  if (output_size != nullptr) {
    *output_size = 0;
  }
  if (input == nullptr) {
    std::fputs("\nNo memory allocated for input data!\n", stdout);
    return kGroup4NullInput;
  }
  if (output == nullptr) {
    std::fputs("\nNo memory allocated for decompressed data!\n", stdout);
    return kGroup4NullOutput;
  }
  int rc = kGroup4Ok;
  int rows = 0;
  // The list capacity (width + slack) must stay within int.
  if (width <= 0 || height <= 0 || width > (1 << 30)) {
    rc = kGroup4BadGeometry;
  } else if (output_capacity < group4_output_bytes(width, height)) {
    rc = kGroup4OutputTooSmall;
  } else {
    const auto list_size = static_cast<std::size_t>(width) + kListSlack;
    const std::size_t fill_size = static_cast<std::size_t>(width) / 8 + 1;
    std::unique_ptr<std::int32_t[]> lists(new (std::nothrow) std::int32_t[2 * list_size]);
    std::unique_ptr<std::uint8_t[]> fill(new (std::nothrow) std::uint8_t[2 * fill_size]);
    if (!lists || !fill) {
      rc = kGroup4NoMemory;
    } else {
      std::memset(fill.get(), 0x00, fill_size);
      std::memset(fill.get() + fill_size, 0xFF, fill_size);
      Decoder decoder(input, input_length, width, output, fill.get(), fill.get() + fill_size,
                      lists.get(), lists.get() + list_size);
      while (rows < height) {
        bool end_of_block = false;
        rc = decoder.decode_row(end_of_block);
        if (rc != kGroup4Ok || end_of_block) {
          break;
        }
        ++rows;
        decoder.next_row();
      }
    }
  }
  if (output_size != nullptr) {
    *output_size = group4_output_bytes(width, rows);
  }
  if (rc != kGroup4Ok) {
    std::fputs(failure_text(rc), stderr);
  }
  return rc;
}

}  // namespace trelvo
