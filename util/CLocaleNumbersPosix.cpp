// SPDX-License-Identifier: MIT
#include <locale.h>
#include <stdlib.h>

#include <new>

#include "util/CLocaleNumbers.h"

namespace nelvo::util {
namespace {

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (locale == locale_t{}) throw std::bad_alloc();
    return locale;
}

}  // namespace

long parseLongC(const char* text, char** end) {
    return strtol_l(text, end, 10, cLocale());
}

float parseFloatC(const char* text, char** end) {
    return strtof_l(text, end, cLocale());
}

}  // namespace nelvo::util
