// Record selection shared by the queries and the image functions.
#pragma once

#include <string>

#include "frame/nist_file.h"

namespace trelvo {

// CheckIfRecordTypeExists without the entry check: the type's presence
// flag for 1-17 and 99, 0 for any other number.
int typePresent(int type);

// "Error: Record Type-N was not found in NIST file.\nUnable to Read Record"
void reportTypeNotFound(int type);

// The entry check, then the presence of the record type (reported when it
// is absent): what every query by record type starts with.
bool entryAndTypeCheck(int type);

// "Error: Type-N record with supplied IDC ... was not found ..."
void reportIdcNotFound(int type, int idc);

// The fingerprint record that belongs to a Type-9 record of the given IDC
// number: the first Type-4, then Type-13, then Type-14 record of that IDC,
// a later type winning over an earlier one. Null when there is none.
Record* fingerprintRecordFor(int idc);

}  // namespace trelvo
