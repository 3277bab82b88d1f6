/*
 * Trelvo: reading, querying and writing ANSI/NIST-ITL transaction files.
 *
 * The library holds one NIST file at a time. Every function returns an
 * integer or a pointer and leaves the text of its outcome in the last error
 * message (ReadTrelvoLastErrorMessage). Status functions return 1 on success
 * and 0 on failure; pointer functions return null on failure and an empty
 * string (never null) for an empty text.
 *
 * Every pointer handed out belongs to the library: text and binary-field
 * pointers stay valid until the next call that loads, creates or edits the
 * file; the last-error text until the next call that sets it. Never free them.
 *
 * Each function is also exported under its name with a leading underscore
 * (for example _ReadNISTFromFile), for hosts that look that name up.
 * The library is not thread-safe: call it from one thread at a time.
 */
#ifndef TRELVO_H
#define TRELVO_H

#if defined(_WIN32)
#define TRELVO_API __declspec(dllexport)
#else
#define TRELVO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Loading */
TRELVO_API int ReadNISTFromFile(const char* path);
TRELVO_API int ReadNISTFromMemory(const char* data, int size);

/* Status and settings */
TRELVO_API int SetTrelvoErrorReportMode(int mode);
TRELVO_API const char* ReadTrelvoLastErrorMessage(void);
TRELVO_API int SetTrelvoTryToDecodeBinaryField(int value);
TRELVO_API unsigned char* ReadNISTByteArray(void);
TRELVO_API int ReadSizeOfNISTByteArray(void);

/* Inventory */
TRELVO_API int CheckIfRecordTypeExists(int recordType);
TRELVO_API int ReadNumberOfRecords(int recordType);
TRELVO_API int ReadIDCofRecord(int recordType, int index);

/* Text fields: fieldNumber -1 selects the field by its mnemonic `name`. */
TRELVO_API const char* ReadRecordTxtField(int recordType, int idc, int fieldNumber, const char* name);
TRELVO_API int ReadSizeOfRecordTxtField(int recordType, int idc, int fieldNumber, const char* name);
TRELVO_API const char* ReadRecordTxtFieldName(int recordType, int idc, int fieldNumber);
TRELVO_API int ReadSizeOfRecordTxtFieldName(int recordType, int idc, int fieldNumber, const char* name);
TRELVO_API const char* ReadRecordTxtFieldDescription(int recordType, int idc, int fieldNumber,
                                                     const char* name);
TRELVO_API int ReadSizeOfRecordTxtFieldDescription(int recordType, int idc, int fieldNumber,
                                                   const char* name);
TRELVO_API const char* ReadRecordExportedTxtFields(int recordType, int idc);
TRELVO_API int ReadSizeOfRecordExportedTxtFields(int recordType, int idc);

/* Binary fields: the bytes of a record's image field inside the file. */
TRELVO_API unsigned char* ReadRecordBinaryField(int recordType, int idc);
TRELVO_API int ReadSizeOfRecordBinaryField(int recordType, int idc);

#ifdef __cplusplus
}
#endif

#endif /* TRELVO_H */
