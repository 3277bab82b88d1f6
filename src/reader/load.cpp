// Loading a NIST file from disk or from the host's memory.
#include <cstdio>
#include <cstring>
#include <limits>

#include "frame/export.h"
#include "frame/nist_file.h"
#include "platform/platform.h"
#include "reader/parsers.h"

using namespace trelvo;

extern "C" {

int ReadNISTFromMemory(const char* data, int size) {
  return guarded<int>(0, [&]() -> int {
    ensureInitialized();
    NistFile& f = current();
    f.setAllRebuildFlags(1);
    // The new buffer is filled before the old one goes, so that the host may
    // pass bytes of the current file (ReadNISTByteArray) back in.
    HeapBytes fresh;
    if (size > 0 && data == nullptr) {
      f.buffer.reset();
      f.length = 0;
      ReportError("Error: no NIST data supplied (null pointer)");
      return 0;
    }
    if (size >= 0) fresh.reset(static_cast<unsigned char*>(std::malloc(size > 0 ? static_cast<std::size_t>(size) : 1)));
    if (!fresh) {
      f.buffer.reset();
      f.length = 0;
      ReportError("Error: malloc for buffer failed");
      return 0;
    }
    if (size > 0) std::memcpy(fresh.get(), data, static_cast<std::size_t>(size));
    f.buffer = std::move(fresh);
    f.length = size;
    ParseNistBuffer();
    return 1;
  });
}

int ReadNISTFromFile(const char* path) {
  return guarded<int>(0, [&]() -> int {
    const std::string file = path ? path : "";
    if (!platform::fileExists(file)) {
      ReportError("Error: file not found. Unable to read file:\n" + file);
      return 0;
    }
    const auto length = platform::fileLength(file);
    if (!length || *length < 0 || *length > std::numeric_limits<int>::max()) {
      ReportError("Error: filelength < 0");
      return 0;
    }
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) {
      ReportError("Error: open file failed");
      return 0;
    }
    const auto size = static_cast<std::size_t>(*length);
    HeapBytes staging(static_cast<unsigned char*>(std::malloc(size > 0 ? size : 1)));
    if (!staging) {
      std::fclose(in);
      ReportError("Error: malloc for buffer failed");
      return 0;
    }
    const std::size_t got = size > 0 ? std::fread(staging.get(), 1, size, in) : 0;
    std::fclose(in);
    if (got != size) {
      // A truncated load is not a load: the current file stays as it is.
      ReportError("Error: reading file failed");
      return 0;
    }
    return ReadNISTFromMemory(reinterpret_cast<const char*>(staging.get()), static_cast<int>(size));
  });
}

}  // extern "C"

TRELVO_ALIAS(int, ReadNISTFromMemory, (const char*, int))
TRELVO_ALIAS(int, ReadNISTFromFile, (const char*))
