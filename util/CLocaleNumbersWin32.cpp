// SPDX-License-Identifier: MIT
#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <new>

#include "util/CLocaleNumbers.h"

namespace nelvo::util {
namespace {

_locale_t cLocale() {
    static const _locale_t locale = _create_locale(LC_ALL, "C");
    if (locale == nullptr) throw std::bad_alloc();
    return locale;
}

}  // namespace

long parseLongC(const char* text, char** end) {
    return _strtol_l(text, end, 10, cLocale());
}

// The system C library (msvcrt) has no strtof with a locale: the text is read in
// double precision and narrowed, with strtof's range rule (a finite value beyond
// the float range, or a non-zero one that narrows to zero, is ERANGE).
float parseFloatC(const char* text, char** end) {
    errno = 0;
    const double value = _strtod_l(text, end, cLocale());
    if (errno == ERANGE) return static_cast<float>(value);
    const float narrowed = static_cast<float>(value);
    if ((std::isfinite(value) && std::fabs(value) > FLT_MAX) || (value != 0.0 && narrowed == 0.0f))
        errno = ERANGE;
    return narrowed;
}

}  // namespace nelvo::util
