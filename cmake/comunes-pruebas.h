// Precompiled once for every test program: the library set plus the test framework and the
// readable QString printer that each test source would otherwise take through -include.
#include "cmake/comunes.h"
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "tests/support/QtPrint.h"
