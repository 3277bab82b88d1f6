// NIST_COM comment and feature lists.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wsq/wsq_internal.h"

namespace trelvo::wsq {

namespace {
char* copy_text(const char* s) {
  const std::size_t n = std::strlen(s);
  auto* p = static_cast<char*>(std::malloc(n + 1));
  if (p != nullptr) std::memcpy(p, s, n + 1);
  return p;
}

// Decimal conversion as atoi does it (leading white space, optional sign,
// digits up to the first other character, no digits give 0), clamped to
// the range of int instead of overflowing.
int decimal_value(const char* s) {
  errno = 0;
  const long v = std::strtol(s, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}
}  // namespace

int allocfet_ret(Fet** ofet, int numfeatures) {
  auto* fet = static_cast<Fet*>(std::malloc(sizeof(Fet)));
  if (fet == nullptr) {
    std::fprintf(stderr, "ERROR : allocfet_ret : malloc : fet\n");
    return -2;
  }
  const std::size_t n = numfeatures > 0 ? static_cast<std::size_t>(numfeatures) : 1;
  fet->names = static_cast<char**>(std::calloc(n, sizeof(char*)));
  if (fet->names == nullptr) {
    std::fprintf(stderr, "ERROR : allocfet_ret : calloc : fet->names\n");
    std::free(fet);
    return -3;
  }
  fet->values = static_cast<char**>(std::calloc(n, sizeof(char*)));
  if (fet->values == nullptr) {
    std::fprintf(stderr, "ERROR : allocfet_ret : calloc : fet->values\n");
    std::free(fet->names);
    std::free(fet);
    return -4;
  }
  fet->alloc = numfeatures;
  fet->num = 0;
  *ofet = fet;
  return 0;
}

int reallocfet_ret(Fet** ofet, int newlen) {
  if (*ofet == nullptr || (*ofet)->alloc == 0) {
    Fet* fresh = nullptr;
    if (int ret = allocfet_ret(&fresh, newlen)) return ret;
    if (*ofet != nullptr) free_fet(*ofet);
    *ofet = fresh;
    return 0;
  }
  Fet* fet = *ofet;
  const std::size_t n = newlen > 0 ? static_cast<std::size_t>(newlen) : 1;
  auto* names = static_cast<char**>(std::realloc(fet->names, n * sizeof(char*)));
  if (names == nullptr) {
    std::fprintf(stderr, "ERROR : reallocfet_ret : realloc : fet->names\n");
    return -2;
  }
  fet->names = names;
  auto* values = static_cast<char**>(std::realloc(fet->values, n * sizeof(char*)));
  if (values == nullptr) {
    std::fprintf(stderr, "ERROR : reallocfet_ret : realloc : fet->values");
    return -3;
  }
  fet->values = values;
  for (int i = fet->alloc; i < newlen; ++i) {
    fet->names[i] = nullptr;
    fet->values[i] = nullptr;
  }
  fet->alloc = newlen;
  if (fet->num > newlen) {
    // Not reached by this module's callers (lists only grow); kept consistent.
    fet->num = newlen;
  }
  return 0;
}

int updatefet_ret(const char* feature, const char* value, Fet* fet) {
  for (int item = 0; item < fet->num; ++item) {
    if (std::strcmp(fet->names[item], feature) == 0) {
      std::free(fet->values[item]);
      fet->values[item] = nullptr;
      if (value != nullptr) {
        fet->values[item] = copy_text(value);
        if (fet->values[item] == nullptr) {
          std::fprintf(stderr, "ERROR : updatefet_ret : malloc : fet->values[]\n");
          return -2;
        }
      }
      return 0;
    }
  }
  if (fet->num >= fet->alloc) {
    int incr = fet->alloc / 10;
    if (incr < 10) incr = 10;
    Fet* p = fet;
    if (int ret = reallocfet_ret(&p, fet->alloc + incr)) return ret;
  }
  const int item = fet->num;
  fet->names[item] = copy_text(feature);
  if (fet->names[item] == nullptr) {
    std::fprintf(stderr, "ERROR : updatefet_ret : malloc : fet->names[]\n");
    return -3;
  }
  fet->values[item] = nullptr;
  if (value != nullptr) {
    fet->values[item] = copy_text(value);
    if (fet->values[item] == nullptr) {
      std::fprintf(stderr, "ERROR : updatefet_ret : malloc : fet->values[]\n");
      std::free(fet->names[item]);
      fet->names[item] = nullptr;
      return -4;
    }
  }
  fet->num++;
  return 0;
}

int extractfet_ret(char** ovalue, const char* feature, const Fet* fet) {
  for (int item = 0; item < fet->num; ++item) {
    if (std::strcmp(fet->names[item], feature) == 0) {
      if (fet->values[item] == nullptr) {
        *ovalue = nullptr;
        return 0;
      }
      char* value = copy_text(fet->values[item]);
      if (value == nullptr) {
        std::fprintf(stderr, "ERROR : extractfet_ret : malloc : value\n");
        return -3;
      }
      *ovalue = value;
      return 0;
    }
  }
  std::fprintf(stderr, "ERROR : extractfet_ret : feature %s not found\n", feature);
  return -2;
}

void free_fet(Fet* fet) {
  if (fet == nullptr) return;
  for (int item = 0; item < fet->num; ++item) {
    std::free(fet->names[item]);
    std::free(fet->values[item]);
  }
  std::free(fet->names);
  std::free(fet->values);
  std::free(fet);
}

int string2fet(Fet** ofet, const char* istr) {
  Fet* fet = nullptr;
  if (int ret = allocfet_ret(&fet, MAXFETS)) return ret;

  // Names and values longer than MAX_FETLENGTH - 1 (511) characters are cut;
  // the rest of them is passed over.
  char name[MAX_FETLENGTH];
  char value[MAX_FETLENGTH];
  const char* iptr = istr;
  while (*iptr != '\0') {
    int n = 0;
    while (*iptr != '\0' && *iptr != ' ' && *iptr != '\t') {
      if (n < MAX_FETLENGTH - 1) name[n++] = *iptr;
      ++iptr;
    }
    name[n] = '\0';

    while (*iptr != '\0' && (*iptr == ' ' || *iptr == '\t')) ++iptr;

    int v = 0;
    while (*iptr != '\0' && *iptr != '\n') {
      if (v < MAX_FETLENGTH - 1) value[v++] = *iptr;
      ++iptr;
    }
    value[v] = '\0';

    while (*iptr != '\0' && (*iptr == ' ' || *iptr == '\t' || *iptr == '\n')) ++iptr;

    if (n == 0) {
      std::fprintf(stderr, "ERROR : string2fet : empty name string found\n");
      free_fet(fet);
      return -2;
    }
    if (int ret = updatefet_ret(name, v == 0 ? nullptr : value, fet)) {
      free_fet(fet);
      return ret;
    }
  }
  *ofet = fet;
  return 0;
}

int find_nistcom_wsq(Fet** onistcom, const std::uint8_t* idata, std::size_t ilen) {
  static constexpr char kNistCom[] = "NIST_COM";
  const std::uint8_t* cur = idata;
  const std::uint8_t* const end = idata == nullptr ? nullptr : idata + ilen;
  std::uint16_t marker;
  if (int ret = getc_marker_wsq(&marker, SOI_WSQ, cur, end)) return ret;
  for (;;) {
    if (int ret = getc_marker_wsq(&marker, ANY_WSQ, cur, end)) return ret;
    if (marker == SOB_WSQ) {
      *onistcom = nullptr;
      return 0;
    }
    if (marker == COM_WSQ) {
      // The eight bytes after the length are compared only when the segment
      // content holds them and they lie inside the buffer.
      const std::size_t avail = static_cast<std::size_t>(end - cur);
      bool is_nistcom = false;
      if (avail >= 2 + 8) {
        const unsigned seg_len = (static_cast<unsigned>(cur[0]) << 8) | cur[1];
        is_nistcom = seg_len >= 2 + 8 && std::memcmp(cur + 2, kNistCom, 8) == 0;
      }
      if (is_nistcom) {
        char* comment = nullptr;
        if (int ret = getc_comment(&comment, cur, end)) return ret;
        Fet* fet = nullptr;
        const int ret = string2fet(&fet, comment);
        std::free(comment);
        if (ret) return ret;
        *onistcom = fet;
        return 0;
      }
    }
    if (int ret = getc_skip_marker_segment(marker, cur, end)) return ret;
  }
}

int ppi_from_nistcom(int* oppi, const std::uint8_t* idata, std::size_t ilen) {
  Fet* nistcom = nullptr;
  if (int ret = find_nistcom_wsq(&nistcom, idata, ilen)) return ret;
  if (nistcom == nullptr) {
    *oppi = -1;
    return 0;
  }
  char* value = nullptr;
  if (int ret = extractfet_ret(&value, "PPI", nistcom)) {
    free_fet(nistcom);
    return ret;
  }
  *oppi = value == nullptr ? -1 : decimal_value(value);
  std::free(value);
  free_fet(nistcom);
  return 0;
}

}  // namespace trelvo::wsq
