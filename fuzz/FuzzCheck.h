// SPDX-License-Identifier: GPL-3.0-or-later
// What a fuzz target asserts: a broken rule is reported and ends the run as a
// crash, so libFuzzer keeps the input that broke it.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond, what)                                                              \
    do {                                                                                    \
        if (!(cond)) {                                                                      \
            std::fprintf(stderr, "%s:%d: broken: %s\n  %s\n", __FILE__, __LINE__, #cond,   \
                         QString(what).toLocal8Bit().constData());                          \
            std::abort();                                                                   \
        }                                                                                   \
    } while (false)
