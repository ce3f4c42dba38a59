#pragma once
// Localisation: a test fixture over a program folder of its own that holds only "Lng/", where
// language(text, name) writes "Lng/<name>.lng" in Windows-1252 as the program's language files are,
// and a modLocalisation over that folder. Header only: each test program links app_core.

#include "app/core/mod_localisation.h"
#include "platform/runtime/windows1252.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellumo::test {

class Localisation : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir(dir.path()).mkpath("Lng")); }
    void language(const QString& text, const char* name = "Test") {
        QFile f(dir.filePath(QStringLiteral("Lng/%1.lng").arg(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(cp1252::encode(text));
    }
    QTemporaryDir dir;
    modLocalisation loc{dir.path()};
};

} // namespace vellumo::test
