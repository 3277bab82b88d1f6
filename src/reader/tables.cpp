#include "reader/tables.h"

#include <array>
#include <memory>
#include <utility>

#include "frame/records.h"

namespace trelvo {

namespace {

struct Row {
  int row;
  const char* code;
  const char* description;
};

struct NumberedRange {
  int first;
  int last;
  const char* description;
};

constexpr const char* kReserved = "Reserved for future definition";
constexpr const char* kUserDefined = "User-defined field";

DictionaryPtr build(int rows, std::initializer_list<NumberedRange> ranges,
                    std::initializer_list<Row> named) {
  auto d = std::make_shared<Dictionary>(rows);
  for (const auto& r : ranges) d->setNumbered(r.first, r.last, r.description);
  for (const auto& r : named) d->set(r.row, r.code, r.description);
  return d;
}

DictionaryPtr type1() {
  return build(16, {},
               {{1, "LEN", "Logical record length"},
                {2, "VER", "Version number"},
                {3, "CNT", "File content"},
                {4, "TOT", "Type of transaction"},
                {5, "DAT", "Date"},
                {6, "PRY", "Priority"},
                {7, "DAI", "Destination agency identifier"},
                {8, "ORI", "Originating agency identifier"},
                {9, "TCN", "Transaction control number"},
                {10, "TCR", "Transaction control reference"},
                {11, "NSR", "Native scanning resolution"},
                {12, "NTR", "Nominal transmitting resolution"},
                {13, "DOM", "Domain name"},
                {14, "GMT", "Greenwich mean time"},
                {15, "DCS", "Directory of character sets"}});
}

DictionaryPtr type2() {
  return build(
      16384, {{1, 16383, kUserDefined}},
      {{1, "LEN", "Logical record length"},
       {2, "IDC", "Image designation character"},
       {3, "SYS", "System information"},
       {4, "DAR", "Date of record"},
       {5, "DLU", "Date of last update"},
       {6, "SCT", "Send copy to"},
       {7, "CNO", "Case number"},
       {8, "SQN", "Sequence number"},
       {9, "MID", "Latent identifier"},
       {10, "CRN", "Criminal reference number"},
       {11, "ORN", "Other reference number"},
       {12, "MN1", "Miscellaneous identification number"},
       {13, "MN2", "Miscellaneous identification number"},
       {14, "MN3", "Miscellaneous identification number"},
       {15, "MN4", "Miscellaneous identification number"},
       {16, "MN5", "Miscellaneous identification number"},
       {17, "FNU", "Finger number"},
       {18, "FIB", "Fingerprint identification byte"},
       {19, "DPR", "Date fingerprinted"},
       {20, "TOF", "Time of fingerprinting"},
       {21, "RFP", "Reason fingerprinted"},
       {22, "POA", "Place of arrest"},
       {23, "OBU", "Owning bureau"},
       {24, "DON", "Date of notice"},
       {25, "SIM", "Station inputting latent"},
       {26, "QLM", "Quality measure"},
       {27, "CCP", "Coarse classification of patterns"},
       {28, "FCP", "Fine classification of patterns"},
       {29, "NLF", "Nominal file"},
       {30, "NAM", "Name"},
       {31, "MNA", "Maiden name"},
       {32, "ADD", "Address"},
       {33, "TRU", "True identity"},
       {34, "AKA", "Aliases"},
       {35, "DOB", "Date of birth"},
       {36, "DBR", "Date of birth range"},
       {37, "POB", "Place of birth"},
       {38, "NAT", "Nationality"},
       {39, "SEX", "Sex"},
       {40, "COL", "Color"},
       {41, "HGT", "Height"},
       {42, "BLD", "Build"},
       {43, "HAI", "Hair"},
       {44, "FAC", "Face"},
       {45, "LAN", "Languages spoken"},
       {46, "PHO", "Photograph number"},
       {47, "PSP", "Passport number"},
       {48, "MAR", "Marks etc"},
       {49, "OCC", "Occupation"},
       {50, "WNG", "Warning"},
       {51, "MDO", "Modus operandi"},
       {52, "GAC", "Geographical area of crime"},
       {53, "GSA", "Geographical search area"},
       {54, "OTY", "Offence type"},
       {55, "DOO", "Date of offence"},
       {56, "DOR", "Date of offence range"},
       {57, "DSR", "Date of offence search range"},
       {58, "TOO", "Time of offence"},
       {59, "TOR", "Time of offence range"},
       {60, "TSR", "Time of offence search range"},
       {61, "TLM", "Time limit"},
       {62, "ICP", "ICPO/GS"},
       {63, "INF", "Additional information"},
       {64, "RLS", "Respondents list"},
       {65, "COU", "Recipient countries"},
       {66, "RES", "Result"},
       {67, "ALF", "Alert flag"},
       {68, "TCF", "Target criminal flag"},
       {69, "IDF", "Identified flag"},
       {70, "MPF", "Latent priority flag"},
       {71, "TUF", "Tie up flag"},
       {72, "RNK", "Rank"},
       {73, "DSG", "Date signature"},
       {74, "ERM", "Status/Error message field"},
       {80, "BRT", "Broadcast request to"},
       {83, "FPR", "Finger present"},
       {85, "ARI", "Additional response information"}});
}

DictionaryPtr fingerprintBinary() {
  return build(9, {},
               {{1, "LEN", "Logical record length"},
                {2, "IDC", "Image designation character"},
                {3, "IMP", "Impression type"},
                {4, "FGP", "Finger position"},
                {5, "ISR", "Image scanning resolution"},
                {6, "HLL", "Horizontal line length"},
                {7, "VLL", "Vertical line length"},
                {8, "GCA", "Grayscale compression algorithm"}});
}

DictionaryPtr type7() {
  return build(10, {},
               {{1, "LEN", "Logical Record Length"},
                {2, "IDC", "Image Designation Character"},
                {3, "IMT", "Image Type"},
                {4, "IMD", "Image Description"},
                {5, "PCN", "Pattern Classification"},
                {6, "IMR", "Image Capture Resolution"},
                {7, "HLL", "Horizontal Line Length"},
                {8, "VLL", "Vertical Line Length"},
                {9, "GCA", "Gray-scale Compression Algorithm"}});
}

DictionaryPtr type8() {
  return build(8, {},
               {{1, "LEN", "Logical Record Length"},
                {2, "IDC", "Image designation character"},
                {3, "SIG", "Signature type"},
                {4, "SRT", "Signature representation type"},
                {5, "ISR", "Image scanning resolution"},
                {6, "HLL", "Horizontal line length"},
                {7, "VLL", "Vertical line length"}});
}

DictionaryPtr type9() {
  // Rows 13-998 (vendor-defined fields) have neither Code nor Description.
  return build(999, {},
               {{1, "LEN", "Logical record length"},
                {2, "IDC", "Image designation character"},
                {3, "IMP", "Impression type"},
                {4, "FMT", "Minutiae format"},
                {5, "OFR", "Originating fingerprint reading system"},
                {6, "FGP", "Finger position"},
                {7, "FPC", "Fingerprint pattern classification"},
                {8, "CRP", "Core position"},
                {9, "DLT", "Delta(s) position"},
                {10, "MIN", "Number of minutiae"},
                {11, "RDG", "Minutiae ridge count indicator"},
                {12, "MRC", "Minutiae and ridge count data"}});
}

DictionaryPtr type10() {
  return build(999, {{14, 19, kReserved}, {31, 39, kReserved}, {44, 199, kReserved}, {200, 998, kUserDefined}},
               {{1, "LEN", "Logical record length"},
                {2, "IDC", "Image designation character"},
                {3, "IMT", "Image type"},
                {4, "SRC", "Source agency / ORI"},
                {5, "PHD", "Photo date"},
                {6, "HLL", "Horizontal line length"},
                {7, "VLL", "Vertical line length"},
                {8, "SLC", "Scale units"},
                {9, "HPS", "Horizontal pixel scale"},
                {10, "VPS", "Vertical pixel scale"},
                {11, "CGA", "Compression algorithm"},
                {12, "CSP", "Colorspace"},
                {13, "SAP", "Subject acquisition profile"},
                {20, "POS", "Subject pose"},
                {21, "POA", "Pose offset angle"},
                {22, "PXS", "Photo description"},
                {23, "PAS", "Photo acquisition source"},
                {24, "SQS", "Subject quality score"},
                {25, "SPA", "Subject pose angles"},
                {26, "SXS", "Subject facial description"},
                {27, "SEC", "Subject eye color"},
                {28, "SHC", "Subject hair color"},
                {29, "FFP", "Facial feature points"},
                {30, "DMM", "Device monitoring mode"},
                {40, "SMT", "NCIC designation code"},
                {41, "SMS", "SMT size"},
                {42, "SMD", "MT descriptors"},
                {43, "COL", "Color"}});
}

DictionaryPtr type13() {
  return build(999, {{18, 19, kReserved}, {21, 23, kReserved}, {25, 199, kReserved}, {200, 998, kUserDefined}},
               {{1, "LEN", "Logical record length"},
                {2, "IDC", "Image designation character"},
                {3, "IMP", "Impression type"},
                {4, "SRC", "Source agency / ORI"},
                {5, "LCD", "Latent capture date"},
                {6, "HLL", "Horizontal line length"},
                {7, "VLL", "Vertical line length"},
                {8, "SLC", "Scale units"},
                {9, "HPS", "Horizontal pixel scale"},
                {10, "VPS", "Vertical pixel scale"},
                {11, "CGA", "Compression algorithm"},
                {12, "BPX", "Bits per pixel"},
                {13, "FGP", "Finger / Palm position"},
                {14, "SPD", "Search position descriptors"},
                {15, "PPC", "Print position coordinates"},
                {16, "SHPS", "Scanned horizontal pixel scale"},
                {17, "SVPS", "Scanned vertical pixel scale"},
                {20, "COM", "Comment"},
                {24, "LQM", "Latent quality metric"}});
}

DictionaryPtr type14() {
  return build(999, {{19, 19, kReserved}, {26, 29, kReserved}, {31, 199, kReserved}, {200, 998, kUserDefined}},
               {{1, "LEN", "Logical record length"},
                {2, "IDC", "Image designation character"},
                {3, "IMP", "Impression type"},
                {4, "SRC", "Source agency"},
                {5, "TCD", "Tenprint capture date"},
                {6, "HLL", "Horizontal line length"},
                {7, "VLL", "Vertical line length"},
                {8, "SLC", "Scale units"},
                {9, "HPS", "Horizontal pixel scale"},
                {10, "VPS", "Vertical pixel scale"},
                {11, "CGA", "Compression algorithm"},
                {12, "BPX", "Bits per pixel"},
                {13, "FGP", "Finger position"},
                {14, "PPD", "Print position descriptors"},
                {15, "PPC", "Print position coordinates"},
                {16, "SHPS", "Scanned horizontal pixel scale"},
                {17, "SVPS", "Scanned vertical pixel scale"},
                {18, "AMP", "Amputated or bandaged"},
                {20, "COM", "Comment"},
                {21, "SEG", "Finger segment position(s)"},
                {22, "NQM", "NIST quality metric"},
                {23, "SQM", "Segmentation quality metric"},
                {24, "FQM", "Fingerprint quality metric"},
                {25, "ASEG", "Alternate finger segment position(s)"},
                {30, "DMM", "Device monitoring mode"}});
}

DictionaryPtr type15() {
  return build(999,
               {{14, 15, kReserved}, {18, 19, kReserved}, {21, 23, kReserved}, {25, 29, kReserved},
                {31, 199, kReserved}, {200, 998, kUserDefined}},
               {{1, "LEN", "Logical record length"},
                {2, "IDC", "Image designation character"},
                {3, "IMP", "Impression type"},
                {4, "SRC", "Source agency/ORI"},
                {5, "PCD", "Palmprint capture date"},
                {6, "HLL", "Horizontal line length"},
                {7, "VLL", "Vertical line length"},
                {8, "SLC", "Scale units"},
                {9, "HPS", "Horizontal pixel scale"},
                {10, "VPS", "Vertical pixel scale"},
                {11, "CGA", "Compression algorithm"},
                {12, "BPX", "Bits per pixel"},
                {13, "PLP", "Palmprint position"},
                {16, "SHPS", "Scanned horizontal pixel scale"},
                {17, "SVPS", "Scanned vertical pixel scale"},
                {20, "COM", "Comment"},
                {24, "PQM", "Palmprint quality metric"},
                {30, "DMM", "Device monitoring mode"}});
}

DictionaryPtr type16() {
  return build(999,
               {{14, 15, kReserved}, {18, 19, kReserved}, {21, 23, kReserved}, {25, 29, kReserved},
                {31, 199, kReserved}, {200, 998, kUserDefined}},
               {{1, "LEN", "Logical Record Length"},
                {2, "IDC", "Image Designation Character"},
                {3, "UDI", "User-Defined Image"},
                {4, "SRC", "Source Agency / ORI"},
                {5, "UTD", "User-Defined Testing Date"},
                {6, "HLL", "Horizontal Line Length"},
                {7, "VLL", "Vertical Line Length"},
                {8, "SLC", "Scale Units"},
                {9, "HPS", "Horizontal Pixel Scale"},
                {10, "VPS", "Vertical Pixel Scale"},
                {11, "CGA", "Compression Algorithm"},
                {12, "BPX", "Bits Per Pixel"},
                {13, "CSP", "Color Space"},
                {16, "SHPS", "Scanned Horizontal Pixel Scale"},
                {17, "SVPS", "Scanned Vertical Pixel Scale"},
                {20, "COM", "Comment"},
                {24, "UQS", "User-Defined Testing Image Quality Score"},
                {30, "DMM", "Device Monitoring Mode"}});
}

DictionaryPtr type17() {
  return build(999, {{27, 29, kReserved}, {31, 199, kReserved}, {200, 998, "User-Defined Fields"}},
               {{1, "LEN", "Logical record length"},
                {2, "IDC", "Image designation character"},
                {3, "FID", "Feature identifier"},
                {4, "SRC", "Source agency/ORI"},
                {5, "ICD", "Iris capture date"},
                {6, "HLL", "Horizontal Line Length"},
                {7, "VLL", "Vertical line length"},
                {8, "SLC", "Scale units"},
                {9, "HPS", "Horizontal pixel scale"},
                {10, "VPS", "Vertical pixel scale"},
                {11, "CGA", "Compression algorithm"},
                {12, "BPX", "Bits per pixel"},
                {13, "CSP", "Color space"},
                {14, "RAE", "Rotation angle of eye"},
                {15, "RAU", "Rotation uncertainty"},
                {16, "IPC", "Image property code"},
                {17, "DUI", "Device unique identifier"},
                {18, "GUI", "Global unique identifier"},
                {19, "MMS", "Make/Model/Serial number"},
                {20, "ECL", "Eye color"},
                {21, "COM", "Comment"},
                {22, "SHPS", "Scanned horizontal pixel scale"},
                {23, "SVPS", "Scanned vertical pixel scale"},
                {24, "IQS", "Image quality score"},
                {25, "ALS", "Acquisition lighting spectrum"},
                {26, "IRD", "Iris diameter"},
                {30, "DMM", "Device monitoring mode"}});
}

DictionaryPtr type99() {
  // Row 3 has neither Code nor Description.
  return build(999, {{6, 99, kReserved}, {105, 199, kReserved}, {200, 998, kUserDefined}},
               {{1, "LEN", "Logical record length"},
                {2, "IDC", "Image designation character"},
                {4, "SRC", "Source agency / ORI"},
                {5, "BCD", "Biometric creation date"},
                {100, "HDV", "CBEFF header version"},
                {101, "BTY", "Biometric type"},
                {102, "BDQ", "Biometric data quality"},
                {103, "BFO", "BDB format owner"},
                {104, "BFT", "BDB format type"}});
}

using F = BinaryHeaderField::Form;

constexpr std::array<BinaryHeaderField, 8> kFingerprintHeader = {{
    {0, 4, 1, F::Number, ""},
    {4, 1, 2, F::Number, ""},
    {5, 1, 3, F::Number, ""},
    {6, 6, 4, F::Bytes, ","},
    {12, 1, 5, F::Number, ""},
    {13, 2, 6, F::Number, ""},
    {15, 2, 7, F::Number, ""},
    {17, 1, 8, F::Number, ""},
}};

constexpr std::array<BinaryHeaderField, 9> kType7Header = {{
    {0, 4, 1, F::Number, ""},
    {4, 1, 2, F::Number, ""},
    {5, 1, 3, F::Number, ""},
    {6, 1, 4, F::Number, ""},
    {7, 10, 5, F::Bytes, ""},
    {17, 11, 6, F::Bytes, ""},
    {28, 2, 7, F::Number, ""},
    {30, 2, 8, F::Number, ""},
    {32, 1, 9, F::Number, ""},
}};

constexpr std::array<BinaryHeaderField, 7> kType8Header = {{
    {0, 4, 1, F::Number, ""},
    {4, 1, 2, F::Number, ""},
    {5, 1, 3, F::Number, ""},
    {6, 1, 4, F::Number, ""},
    {7, 1, 5, F::Number, ""},
    {8, 2, 6, F::Number, ""},
    {10, 2, 7, F::Number, ""},
}};

const std::array<BinaryLayout, 6> kBinaryLayouts = {{
    {3, 18, kFingerprintHeader, 2, 6, 7, 8, true},
    {4, 18, kFingerprintHeader, 2, 6, 7, 8, true},
    {5, 18, kFingerprintHeader, 2, 6, 7, 8, true},
    {6, 18, kFingerprintHeader, 2, 6, 7, 8, true},
    {7, 33, kType7Header, 2, 7, 8, 9, false},
    {8, 12, kType8Header, 2, 6, 7, 4, false},
}};

}  // namespace

const DictionaryPtr& dictionaryFor(int type) {
  static const std::array<DictionaryPtr, 100> dictionaries = [] {
    std::array<DictionaryPtr, 100> d{};
    d[1] = type1();
    d[2] = type2();
    const auto fingerprint = fingerprintBinary();
    for (int t = 3; t <= 6; ++t) d[static_cast<std::size_t>(t)] = fingerprint;
    d[7] = type7();
    d[8] = type8();
    d[9] = type9();
    d[10] = type10();
    d[13] = type13();
    d[14] = type14();
    d[15] = type15();
    d[16] = type16();
    d[17] = type17();
    d[99] = type99();
    return d;
  }();
  static const DictionaryPtr none;
  return type >= 0 && type < 100 ? dictionaries[static_cast<std::size_t>(type)] : none;
}

const BinaryLayout& binaryLayout(int type) {
  return kBinaryLayouts[static_cast<std::size_t>(type - 3)];
}

}  // namespace trelvo
