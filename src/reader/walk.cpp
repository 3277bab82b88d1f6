// The record walk: the Type-1 record first, then every record its CNT field
// lists, each handed to the parser of its type.
#include "frame/text.h"
#include "reader/parsers.h"
#include "reader/tag_reader.h"

namespace trelvo {

namespace {

enum class Dispatch { Read, NothingRead, NotDecoded };

struct EntryOutcome {
  Dispatch dispatch;
  int result;
};

EntryOutcome dispatchEntry(NistFile& f, int t, const std::string& type_text) {
  auto present = [&f](int ty) { f.type_present[static_cast<std::size_t>(ty)] = 1; };
  if (t == 1) {
    present(1);
    return {Dispatch::NothingRead, kRecordRead};
  }
  if (t == 2) {
    present(2);
    return {Dispatch::Read, parseType2(f)};
  }
  if (isBinaryImageType(t)) {
    present(t);
    return {Dispatch::Read, parseBinaryRecord(f, t)};
  }
  if (t == 9) {
    present(9);
    return {Dispatch::Read, parseType9(f)};
  }
  if (isTaggedImageType(t)) {
    present(t);
    return {Dispatch::Read, parseTaggedImageRecord(f, t)};
  }
  if (t == 11 || t == 12) {
    present(t);
    return {Dispatch::NotDecoded, kRecordRead};
  }
  // Unknown or unreadable type (empty or not a number): nothing is read and
  // the next entry is parsed at the same position.
  ReportError("Error: Unknown Record Type (" + type_text + ") found in NIST file.");
  return {Dispatch::NothingRead, kRecordRead};
}

EntryOutcome parseEntry(NistFile& f, const std::string& type_text) {
  const auto type = parseInt(type_text);
  const int t = type ? *type : -1;
  // Records of the type read so far: a parser that refused its record (a
  // cut header, a first field other than LEN) read none, and there is then
  // nothing to compare with the entry.
  const std::int32_t* records =
      listSlot(t) >= 0 ? &f.refill_index.at(static_cast<std::size_t>(t)) : nullptr;
  const std::int32_t before = records ? *records : 0;
  EntryOutcome outcome = dispatchEntry(f, t, type_text);
  if (outcome.dispatch == Dispatch::Read && (!records || *records == before))
    outcome.dispatch = Dispatch::NothingRead;
  return outcome;
}

// Handles one completed CNT entry; false when the walk must stop.
bool handleEntry(NistFile& f, const std::string& type_text, const std::string& idc_text) {
  const EntryOutcome outcome = parseEntry(f, type_text);
  // The IDC check compares the entry with the record just read, so it only
  // applies when a record was read.
  if (outcome.dispatch == Dispatch::Read && outcome.result != kPastEnd &&
      toIntOr(idc_text, 0) != toIntOr(f.last_record_idc, 1)) {
    ReportError("Error: Record Type = " + type_text + " Image designation character (IDC) = " +
                f.last_record_idc +
                "\ndoes not match IDC specified in\nType-1 record File content (CNT) field where IDC = " +
                idc_text);
  }
  if (outcome.result != kRecordRead || outcome.dispatch == Dispatch::NotDecoded) {
    ReportError("Error: unable to decode Record Type = " + type_text + ", IDC = " + idc_text +
                "\nExiting..");
    return false;
  }
  return true;
}

}  // namespace

void ParseNistBuffer() {
  NistFile& f = current();
  ClearRecords();
  f.parse_position = 0;
  if (parseType1(f) != kRecordRead) {
    f.setAllRebuildFlags(0);
    return;
  }
  f.type_present[1] = 1;

  const std::string& cnt = f.type1.table.value(3);  // no parser touches the Type-1 table
  std::string accumulator, type_text, idc_text;
  for (std::size_t i = 0; i < cnt.size(); ++i) {
    const char c = cnt[i];
    bool complete = false;
    if (c >= '0' && c <= '9') {
      accumulator += c;
    } else if (c == US) {
      type_text = std::move(accumulator);
      accumulator.clear();
    } else if (c == RS) {
      idc_text = std::move(accumulator);
      accumulator.clear();
      complete = true;
    }
    if (!complete && i + 1 == cnt.size() && c != US && c != RS) {
      idc_text = std::move(accumulator);
      accumulator.clear();
      complete = true;
    }
    if (!complete) continue;
    if (!handleEntry(f, type_text, idc_text)) return;
    // An entry without its own US has no record type; it must not inherit
    // the type of the entry before it.
    type_text.clear();
    idc_text.clear();
  }
  f.setAllRebuildFlags(0);
}

}  // namespace trelvo
