#include "platform/hosting/class_registry.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ClassRegistry, AddsReplacesFindsAndRemovesClasses) {
    QTemporaryDir dir;
    ClassRegistry registry(dir.path());
    EXPECT_FALSE(registry.find("Lumbra.Frame3D"));
    ASSERT_TRUE(registry.add({"Lumbra.Frame3D", "{A}", "liblumbra.so"}));
    ASSERT_TRUE(registry.add({"Peltorix.TeskButtonConcept", "{B}", "libpeltorix.so"}));
    ASSERT_TRUE(registry.add({"lumbra.frame3d", "{A2}", "liblumbra.so"})); // same class, other case
    EXPECT_EQ(contentOf(registry.filePath()),
              "lumbra.frame3d\t{A2}\tliblumbra.so\nPeltorix.TeskButtonConcept\t{B}\tlibpeltorix.so\n");
    const auto found = registry.find("LUMBRA.FRAME3D");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->clsid, QStringLiteral("{A2}"));
    EXPECT_EQ(found->library, QStringLiteral("liblumbra.so"));
    EXPECT_TRUE(registry.remove("Lumbra.Frame3D"));
    EXPECT_FALSE(registry.find("Lumbra.Frame3D"));
    EXPECT_TRUE(registry.find("Peltorix.TeskButtonConcept"));
    EXPECT_TRUE(registry.remove("Never.Registered"));
}

TEST(ClassRegistry, KeepsLinesItDoesNotUnderstandAndRefusesPathsAsLibraries) {
    QTemporaryDir dir;
    ClassRegistry registry(dir.path());
    {
        QFile f(registry.filePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("# classes\r\nbroken line\r\n");
    }
    ASSERT_TRUE(registry.add({"A.B", "{C}", "liba.so"}));
    EXPECT_EQ(contentOf(registry.filePath()), "# classes\nbroken line\nA.B\t{C}\tliba.so\n");
    EXPECT_FALSE(registry.add({"X.Y", "{Z}", "../elsewhere/libx.so"}));
    EXPECT_FALSE(registry.find("X.Y"));
}

} // namespace
} // namespace vellumo
