// Module-wide state, one-time initialisation, status reporting and the
// exported status and settings functions.
#include "frame/export.h"
#include "frame/nist_file.h"
#include "frame/text.h"
#include "platform/platform.h"
#include "reader/tables.h"

namespace trelvo {

namespace {

constexpr const char* kOk = "OK. No error";
constexpr const char* kNoFile =
    "Error: NIST file is not yet created or read.\nPlease create or read NIST file at first.";

void InitializeLibrary(NistFile& f) {
  const std::string ini =
      platform::folderOf(platform::moduleFileName()) + "Trelvo.ini";
  f.setting_type1_two_digit = 0;
  f.setting_idc_two_digit = 0;
  if (platform::fileExists(ini)) {
    platform::IniFile file(ini);
    f.setting_type1_two_digit = file.readInteger("Trelvo", "type1_record_1_01", 0);
    f.setting_idc_two_digit = file.readInteger("Trelvo", "type1_record_1_01_IDC_double_digit", 0);
  }
  f.error_report_mode = 1;
  f.last_error_message = kOk;
  f.buffer.reset();
  f.length = 0;
  f.type1.table = FieldTable(dictionaryFor(1));
  for (auto& list : f.lists) list.clear();
  f.setAllRebuildFlags(1);
}

}  // namespace

NistFile& current() {
  static NistFile file;
  return file;
}

RecordList* NistFile::list(int type) {
  const int slot = listSlot(type);
  return slot < 0 ? nullptr : &lists[static_cast<std::size_t>(slot)];
}

void NistFile::setAllRebuildFlags(std::int32_t value) { rebuild.fill(value); }

void ensureInitialized() {
  NistFile& f = current();
  if (!f.initialized) {
    InitializeLibrary(f);
    f.initialized = true;
  }
}

void ReportError(const std::string& text) {
  NistFile& f = current();
  if (f.error_report_mode == 1) platform::showMessageBox("Trelvo Error", text);
  f.last_error_message = text;
}

void setOk() { current().last_error_message = kOk; }

bool entryCheck() {
  if (!current().hasFile()) {
    ReportError(kNoFile);
    return false;
  }
  setOk();
  return true;
}

int idcNumber(const std::string& idcText) { return toIntOr(idcText, 1); }

Record* FindRecordByIdc(RecordList& list, int idc) {
  for (auto& record : list)
    if (idcNumber(record->idc) == idc) return record.get();
  return nullptr;
}

void ClearRecords() {
  NistFile& f = current();
  for (std::size_t slot = 0; slot < f.lists.size(); ++slot) {
    const int type = kListTypes[slot];
    if (f.rebuild[static_cast<std::size_t>(type)] == 1) f.lists[slot].clear();
  }
  f.type_present.fill(0);
  f.refill_index.fill(0);
  f.type1.table.clearValues(/*keepHeader=*/false);
  f.type1.offsets.clear();
  f.type1.len = 0;
  f.type1.record_start = f.type1.record_end = 0;
  f.last_record_idc.clear();
  f.export_text.clear();
  f.last_binary_field = BinaryFieldMemo{};
  f.try_to_decode_binary_field = 1;
}

}  // namespace trelvo

using namespace trelvo;

extern "C" {

int SetTrelvoErrorReportMode(int mode) {
  return guarded<int>(0, [&]() -> int {
    ensureInitialized();
    current().error_report_mode = mode;
    return 1;
  });
}

const char* ReadTrelvoLastErrorMessage(void) { return current().last_error_message.c_str(); }

int SetTrelvoTryToDecodeBinaryField(int value) {
  return guarded<int>(0, [&]() -> int {
    ensureInitialized();
    current().try_to_decode_binary_field = value;
    return 1;
  });
}

unsigned char* ReadNISTByteArray(void) {
  return guarded<unsigned char*>(nullptr, [&]() -> unsigned char* {
    if (!entryCheck()) return nullptr;
    return current().buffer.get();
  });
}

int ReadSizeOfNISTByteArray(void) {
  return guarded<int>(0, [&]() -> int {
    if (!entryCheck()) return 0;
    return current().length;
  });
}

}  // extern "C"

TRELVO_ALIAS(int, SetTrelvoErrorReportMode, (int))
TRELVO_ALIAS(const char*, ReadTrelvoLastErrorMessage, (void))
TRELVO_ALIAS(int, SetTrelvoTryToDecodeBinaryField, (int))
TRELVO_ALIAS(unsigned char*, ReadNISTByteArray, (void))
TRELVO_ALIAS(int, ReadSizeOfNISTByteArray, (void))
