// The Debian package of this build (made by the ctest fixture install.MakePackage), unpacked with
// dpkg-deb into a temporary root: its layout, its control data, its documentation and metadata, what
// lintian says of it, its desktop entries, and the program run from it, through the command on the
// PATH, by a user who cannot write the program folder. That user's files must land in the XDG folders
// of its home, each folder the user's alone; a message posted by the program's own sender must be
// stored there; and the logon entry's launcher must start the program of the installed folder when
// the user's StartWithWindows is on.
//
// As root the program runs as the account "nobody"; otherwise it runs as the current user with the
// unpacked tree made read-only.
#include "platform/store/database.h"
#include "platform/store/recordset.h"
#include "tests/support/command.h"
#include "tests/support/event_loop.h"
#include "tests/support/program_folder.h"
#include "tests/support/program_process.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <optional>

namespace vellumo {
namespace {

const QString kPackage = QStringLiteral(VELLUMO_PACKAGE_FILE);
// The program folder as installed ("/usr/lib/vellumo"), and as unpacked below a root.
const QString kInstalledDir = QStringLiteral(VELLUMO_INSTALLED_DIR);
// The folder of the commands ("/usr/bin").
const QString kBinDir = QStringLiteral(VELLUMO_INSTALLED_BIN_DIR);

bool have(const char* tool) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty();
}

// The value of key in the [Desktop Entry] group of a desktop file ("" when missing).
QString desktopValue(const QString& file, const QString& key) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    bool inEntry = false;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        if (line.startsWith(u'['))
            inEntry = line.trimmed() == QStringLiteral("[Desktop Entry]");
        else if (inEntry && line.section(u'=', 0, 0).trimmed() == key)
            return line.section(u'=', 1).trimmed();
    }
    return QString();
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every entry below root with its size and mode: what a run may not change.
QStringList listing(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        struct stat st {};
        ::lstat(QFile::encodeName(it.filePath()).constData(), &st);
        entries << QStringLiteral("%1 %2 %3")
                       .arg(QDir(root).relativeFilePath(it.filePath()))
                       .arg(it.fileInfo().size())
                       .arg(st.st_mode, 0, 8);
    }
    entries.sort();
    return entries;
}

class UnpackedPackage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have("dpkg-deb"))
            GTEST_SKIP() << "dpkg-deb is missing (package dpkg); scripts/setup.sh installs it";
        ASSERT_TRUE(QFile::exists(kPackage)) << "no package " << qPrintable(kPackage)
                                             << ": the fixture install.MakePackage makes it (run through ctest)";
        ASSERT_TRUE(root.isValid());
        const test::CommandOutcome unpack =
            test::runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), kPackage, root.path()});
        ASSERT_EQ(unpack.code, 0) << unpack.output.constData();
    }

    // A path of the package ("/usr/lib/vellumo/vellumo") in the unpacked root.
    QString unpacked(const QString& path) const { return root.path() + path; }
    QString programFolder() const { return unpacked(kInstalledDir); }

    QTemporaryDir root;
};

// ---- layout ---------------------------------------------------------------------------------------

TEST_F(UnpackedPackage, TheProgramFolderHoldsWhatShipsAndNothingARunWrites) {
    QStringList entries = QDir(programFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.sort();
    QStringList expected{QStringLiteral("ControlClasses.txt"),
                         QStringLiteral("Lng"),
                         QStringLiteral("System"),
                         QStringLiteral("Users.sys"),
                         QStringLiteral("Vellumo.installed"),
                         QStringLiteral("Vellumo.sys"),
                         QStringLiteral("kippler"),
                         QStringLiteral("liblumbra.so"),
                         QStringLiteral("libpeltorix.so"),
                         QStringLiteral("vellumo")};
    expected.sort();
    EXPECT_EQ(entries, expected);
}

enum class Kind { File, Executable, Folder, Command };

struct LayoutCase {
    const char* name;
    const char* path; // below the root of the package; "@" stands for the program folder, "%" for the
                      // folder of the commands
    Kind kind;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class PackageLayout : public UnpackedPackage, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(PackageLayout, HasTheEntry) {
    QString path = QString::fromLatin1(GetParam().path);
    path.replace(QStringLiteral("@"), kInstalledDir);
    path.replace(QStringLiteral("%"), kBinDir);
    const QFileInfo info(unpacked(path));
    ASSERT_TRUE(info.exists()) << qPrintable(path);
    switch (GetParam().kind) {
    case Kind::Command: {
        // A relative link to the program of the same name in the program folder: it holds below any
        // root, and the program, which finds its folder from its own executable, finds the right one.
        ASSERT_TRUE(info.isSymLink()) << qPrintable(path);
        const QString target = info.symLinkTarget();
        char link[PATH_MAX] = {};
        ASSERT_GT(::readlink(QFile::encodeName(unpacked(path)).constData(), link, sizeof link - 1), 0);
        EXPECT_FALSE(QString::fromLocal8Bit(link).startsWith(u'/')) << "an absolute link: " << link;
        EXPECT_EQ(QFileInfo(target).canonicalFilePath(),
                  QFileInfo(programFolder() + u'/' + info.fileName()).canonicalFilePath())
            << qPrintable(path) << " leads to " << qPrintable(target);
        EXPECT_TRUE(QFileInfo(target).isExecutable());
        break;
    }
    case Kind::Folder:
        EXPECT_TRUE(info.isDir()) << qPrintable(path);
        break;
    case Kind::Executable:
        EXPECT_TRUE(info.isFile() && info.isExecutable()) << qPrintable(path);
        EXPECT_TRUE(info.permissions() & QFile::ExeOther) << qPrintable(path);
        break;
    case Kind::File:
        EXPECT_TRUE(info.isFile() && info.size() > 0) << qPrintable(path);
        EXPECT_TRUE(info.permissions() & QFile::ReadOther) << qPrintable(path);
        EXPECT_FALSE(info.permissions() & QFile::WriteOther) << qPrintable(path);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Install, PackageLayout,
    ::testing::Values(LayoutCase{"Program", "@/vellumo", Kind::Executable},
                      LayoutCase{"Launcher", "@/kippler", Kind::Executable},
                      LayoutCase{"FrameLibrary", "@/liblumbra.so", Kind::File},
                      LayoutCase{"ButtonLibrary", "@/libpeltorix.so", Kind::File},
                      LayoutCase{"ReferenceLanguage", "@/Lng/Application.lng", Kind::File},
                      LayoutCase{"EnglishLanguage", "@/Lng/English.lng", Kind::File},
                      LayoutCase{"Emoticons", "@/System/emo", Kind::Folder},
                      LayoutCase{"LargeEmoticons", "@/System/emo.32", Kind::Folder},
                      LayoutCase{"WindowIcon", "@/System/Vellumo32.png", Kind::File},
                      LayoutCase{"MenuEntry", "/usr/share/applications/vellumo.desktop", Kind::File},
                      LayoutCase{"LogonEntry", "/etc/xdg/autostart/vellumo-kippler.desktop", Kind::File},
                      LayoutCase{"Icon16", "/usr/share/icons/hicolor/16x16/apps/vellumo.png", Kind::File},
                      LayoutCase{"Icon32", "/usr/share/icons/hicolor/32x32/apps/vellumo.png", Kind::File},
                      LayoutCase{"Icon48", "/usr/share/icons/hicolor/48x48/apps/vellumo.png", Kind::File},
                      LayoutCase{"Icon64", "/usr/share/icons/hicolor/64x64/apps/vellumo.png", Kind::File},
                      LayoutCase{"Icon128", "/usr/share/icons/hicolor/128x128/apps/vellumo.png", Kind::File},
                      LayoutCase{"ProgramCommand", "%/vellumo", Kind::Command},
                      LayoutCase{"LauncherCommand", "%/kippler", Kind::Command},
                      LayoutCase{"ProgramManual", "/usr/share/man/man1/vellumo.1.gz", Kind::File},
                      LayoutCase{"LauncherManual", "/usr/share/man/man1/kippler.1.gz", Kind::File},
                      LayoutCase{"Copyright", "/usr/share/doc/vellumo/copyright", Kind::File},
                      LayoutCase{"Changelog", "/usr/share/doc/vellumo/changelog.Debian.gz", Kind::File},
                      LayoutCase{"DebianNotes", "/usr/share/doc/vellumo/README.Debian", Kind::File},
                      LayoutCase{"AppStream", "/usr/share/metainfo/org.vellumo.Vellumo.metainfo.xml", Kind::File},
                      LayoutCase{"LintianOverrides", "/usr/share/lintian/overrides/vellumo", Kind::File}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnpackedPackage, RegistersBothControlLibrariesByTheirFileNames) {
    QFile file(programFolder() + QStringLiteral("/ControlClasses.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList libraries;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        ASSERT_EQ(fields.size(), 3) << qPrintable(line);
        EXPECT_FALSE(fields[2].contains(u'/')) << "a path would not hold once installed: " << qPrintable(line);
        EXPECT_TRUE(QFileInfo(programFolder() + u'/' + fields[2]).isFile()) << qPrintable(line);
        libraries << fields[2];
    }
    libraries.sort();
    EXPECT_EQ(libraries, (QStringList{QStringLiteral("liblumbra.so"), QStringLiteral("libpeltorix.so")}));
}

TEST_F(UnpackedPackage, ControlDataNamesTheLibrariesItNeedsAndKeepsTheLogonEntryAsAConfigurationFile) {
    const auto field = [](const char* name) {
        return QString::fromUtf8(test::runCommand(QStringLiteral("dpkg-deb"),
                                                  {QStringLiteral("-f"), kPackage, QString::fromLatin1(name)})
                                     .output)
            .trimmed();
    };
    EXPECT_EQ(field("Package"), QStringLiteral("vellumo"));
    // vellumo_<version>_<architecture>.deb, as Debian names its packages.
    EXPECT_EQ(QFileInfo(kPackage).fileName(),
              QStringLiteral("vellumo_%1_%2.deb").arg(field("Version"), field("Architecture")));
    // The project's version and a Debian revision.
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^[0-9]+\\.[0-9]+\\.[0-9]+-[0-9]+$")).match(field("Version")).hasMatch())
        << qPrintable(field("Version"));
    // A maintainer who can be written to: no address of a reserved name.
    const QRegularExpressionMatch maintainer =
        QRegularExpression(QStringLiteral("^[^<>]+ <[^@<> ]+@([^<> ]+)>$")).match(field("Maintainer"));
    ASSERT_TRUE(maintainer.hasMatch()) << qPrintable(field("Maintainer"));
    for (const char* reserved : {".invalid", ".example", ".test", ".localhost", ".local"})
        EXPECT_FALSE(maintainer.captured(1).endsWith(QString::fromLatin1(reserved))) << qPrintable(field("Maintainer"));
    // Debian's limits: a summary and lines of at most 80 characters.
    for (const QString& line : field("Description").split(u'\n'))
        EXPECT_LE(line.size(), 80) << qPrintable(line);
    const QString depends = field("Depends");
    // Found by dpkg-shlibdeps from the programs and libraries, not written by hand.
    for (const char* library :
         {"libc6", "libqt6core6", "libqt6widgets6", "libqt6network6", "libsqlite3-0", "libcurl4", "libsmbclient"})
        EXPECT_TRUE(depends.contains(QString::fromLatin1(library)))
            << library << " missing from: " << qPrintable(depends);
    const test::CommandOutcome conffiles =
        test::runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-I"), kPackage, QStringLiteral("conffiles")});
    EXPECT_EQ(conffiles.code, 0) << conffiles.output.constData();
    EXPECT_EQ(conffiles.output.trimmed(), QByteArray("/etc/xdg/autostart/vellumo-kippler.desktop"));
}

// ---- documentation, metadata, lintian ---------------------------------------------------------------

// The text of a file, its words one space apart ("." lines of a Debian paragraph left out).
QString words(QString text) {
    text.replace(QRegularExpression(QStringLiteral("(^|\n) \\.(?=\n|$)")), QStringLiteral("\n"));
    return text.simplified();
}

TEST_F(UnpackedPackage, CopyrightFileIsMachineReadableAndCarriesTheProjectsMitLicence) {
    const QString copyright = QString::fromUtf8(contents(unpacked(QStringLiteral("/usr/share/doc/vellumo/copyright"))));
    EXPECT_TRUE(copyright.startsWith(
        QStringLiteral("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")));
    EXPECT_TRUE(copyright.contains(QStringLiteral("\nFiles: *\n")));
    EXPECT_TRUE(copyright.contains(QStringLiteral("\nLicense: Expat\n")));
    EXPECT_TRUE(copyright.contains(QStringLiteral("MIT licence")));
    const QString licence = QString::fromUtf8(contents(QStringLiteral(VELLUMO_SOURCE_DIR "/LICENSE")));
    const qsizetype grant = licence.indexOf(QStringLiteral("Permission is hereby granted"));
    ASSERT_GE(grant, 0) << "LICENSE holds no MIT licence text";
    EXPECT_TRUE(words(copyright).contains(words(licence.mid(grant)))) << "the licence text differs from LICENSE";
}

TEST_F(UnpackedPackage, ChangelogIsCompressedAndItsNewestEntryIsThePackagesVersion) {
    const test::CommandOutcome text = test::runCommand(
        QStringLiteral("gzip"),
        {QStringLiteral("-dc"), unpacked(QStringLiteral("/usr/share/doc/vellumo/changelog.Debian.gz"))});
    ASSERT_EQ(text.code, 0) << text.output.constData();
    const QString version =
        QString::fromUtf8(
            test::runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), kPackage, QStringLiteral("Version")})
                .output)
            .trimmed();
    EXPECT_TRUE(text.output.startsWith("vellumo (" + version.toUtf8() + ") ")) << text.output.constData();
}

TEST_F(UnpackedPackage, DebianNotesSayThatTheProgramListensOnTcp32666OnEveryInterface) {
    const QString notes =
        words(QString::fromUtf8(contents(unpacked(QStringLiteral("/usr/share/doc/vellumo/README.Debian")))));
    EXPECT_TRUE(notes.contains(QStringLiteral("listens on TCP port 32666 on every network interface")))
        << qPrintable(notes);
}

TEST_F(UnpackedPackage, AppStreamMetadataValidatesAndLaunchesTheMenuEntry) {
    if (!have("appstreamcli"))
        GTEST_SKIP() << "appstreamcli is missing (package appstream); scripts/setup.sh installs it";
    const QString file = unpacked(QStringLiteral("/usr/share/metainfo/org.vellumo.Vellumo.metainfo.xml"));
    const test::CommandOutcome validated = test::runCommand(
        QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), file});
    EXPECT_EQ(validated.code, 0) << validated.output.constData();
    const QRegularExpressionMatch launchable =
        QRegularExpression(QStringLiteral("<launchable type=\"desktop-id\">([^<]+)</launchable>"))
            .match(QString::fromUtf8(contents(file)));
    ASSERT_TRUE(launchable.hasMatch());
    EXPECT_TRUE(QFileInfo::exists(unpacked(QStringLiteral("/usr/share/applications/") + launchable.captured(1))))
        << qPrintable(launchable.captured(1));
}

TEST_F(UnpackedPackage, LintianReportsNoErrorAndNoWarning) {
    if (!have("lintian"))
        GTEST_SKIP() << "lintian is missing; scripts/setup.sh installs it";
    const test::CommandOutcome checked = test::runCommand(
        QStringLiteral("lintian"), {QStringLiteral("--fail-on"), QStringLiteral("error,warning"), kPackage}, 280000);
    EXPECT_EQ(checked.code, 0) << checked.output.constData();
    const QByteArray output = checked.output;
    for (const QByteArray& line : output.split('\n'))
        EXPECT_FALSE(line.startsWith("E: ") || line.startsWith("W: ")) << line.constData();
}

// ---- desktop entries ------------------------------------------------------------------------------

struct EntryCase {
    const char* name;
    const char* file;
    const char* program; // what Exec runs, in the program folder
};

void PrintTo(const EntryCase& c, std::ostream* os) {
    *os << c.name;
}

class DesktopEntry : public UnpackedPackage, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(DesktopEntry, ValidatesAndRunsAProgramOfTheInstalledFolderThroughThePath) {
    if (!have("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate is missing (package desktop-file-utils); scripts/setup.sh installs it";
    const QString file = unpacked(QString::fromLatin1(GetParam().file));
    const test::CommandOutcome validated = test::runCommand(QStringLiteral("desktop-file-validate"), {file});
    EXPECT_EQ(validated.code, 0) << validated.output.constData();
    EXPECT_TRUE(validated.output.trimmed().isEmpty()) << "hints or warnings: " << validated.output.constData();

    // The command on the PATH; TryExec names it too, so that an entry left behind (the logon entry is a
    // configuration file, which `apt remove` keeps) does nothing once the program is gone.
    const QString program = QString::fromLatin1(GetParam().program);
    EXPECT_EQ(desktopValue(file, QStringLiteral("Exec")), program);
    EXPECT_EQ(desktopValue(file, QStringLiteral("TryExec")), program);
    const QFileInfo command(unpacked(kBinDir + u'/' + program));
    EXPECT_EQ(command.canonicalFilePath(), QFileInfo(programFolder() + u'/' + program).canonicalFilePath())
        << "the command " << qPrintable(kBinDir + u'/' + program) << " must lead to the program folder";
    EXPECT_EQ(desktopValue(file, QStringLiteral("Icon")), QStringLiteral("vellumo"));
}

INSTANTIATE_TEST_SUITE_P(Install, DesktopEntry,
                         ::testing::Values(EntryCase{"Menu", "/usr/share/applications/vellumo.desktop", "vellumo"},
                                           EntryCase{"Logon", "/etc/xdg/autostart/vellumo-kippler.desktop", "kippler"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the program, run by a user who cannot write its folder -----------------------------------------

class InstalledProgram : public UnpackedPackage {
protected:
    void SetUp() override {
        UnpackedPackage::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            if (!nobody)
                GTEST_SKIP() << "running as root without an account \"nobody\" to run the program as";
            uid = nobody->pw_uid;
            gid = nobody->pw_gid;
            // The unpacked tree stays root's; the user only needs to reach it.
            ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
        } else {
            uid = ::getuid();
            gid = ::getgid();
            ASSERT_EQ(
                test::runCommand(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("a-w"), root.path()})
                    .code,
                0);
            madeReadOnly = true;
        }
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral("runtime"))));
        ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral(".config/vellumo"))));
        port = test::freeLoopbackPort();
        ASSERT_NE(port, 0);
        writeUserSettings(QByteArray());
        ASSERT_EQ(::chmod(QFile::encodeName(home.filePath(QStringLiteral("runtime"))).constData(), 0700), 0);
        if (::geteuid() == 0) {
            const test::CommandOutcome owned =
                test::runCommand(QStringLiteral("chown"),
                                 {QStringLiteral("-R"), QStringLiteral("%1:%2").arg(uid).arg(gid), home.path()});
            ASSERT_EQ(owned.code, 0) << owned.output.constData();
        }
    }

    void TearDown() override {
        // The programs the launcher started, by their id, and only while that id is still theirs.
        for (pid_t pid : started) {
            if (!runsTheUnpackedProgram(pid))
                continue;
            ::kill(pid, SIGTERM);
            if (!test::waitUntil([&] { return !runsTheUnpackedProgram(pid); }, 10000))
                ::kill(pid, SIGKILL);
        }
        if (program.state() != QProcess::NotRunning) {
            program.terminate();
            if (!program.waitForFinished(10000)) {
                program.kill();
                program.waitForFinished(5000);
            }
        }
        if (madeReadOnly)
            test::runCommand(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+w"), root.path()});
        // What the programs wrote to their error stream, into the test's log.
        const QByteArray errors = contents(errorLog());
        if (!errors.isEmpty())
            std::fprintf(stderr, "---- the error stream of the installed programs ----\n%s\n---- end ----\n",
                         errors.constData());
    }

    // The file the programs' error stream goes to (the program started by the launcher inherits it).
    QString errorLog() const { return errors.filePath(QStringLiteral("errors.txt")); }

    // The command of the package's PATH folder, as unpacked ("vellumo" -> <root>/usr/bin/vellumo).
    QString command(const QString& name) const { return unpacked(kBinDir + u'/' + name); }

    static bool isZombie(pid_t pid) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
    }

    // The user's settings file, as the user would have it: the port to listen on and more lines.
    void writeUserSettings(const QByteArray& vellumoSection) {
        QFile ini(home.filePath(QStringLiteral(".config/vellumo/Vellumo.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray text = "[Server]\r\nPort=" + QByteArray::number(port) + "\r\n";
        if (!vellumoSection.isEmpty())
            text += "[Vellumo]\r\n" + vellumoSection + "\r\n";
        ini.write(text);
    }

    // The user's session: its own home, no XDG folders named (so the defaults below HOME apply), no display.
    QProcessEnvironment sessionEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "DISPLAY", "WAYLAND_DISPLAY", "LD_LIBRARY_PATH"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // A sanitized build's leak suppressions sit in the checkout, which the user may not be able to
        // read (a checkout in a private folder): the user's processes read a copy in their home.
        QString lsan = env.value(QStringLiteral("LSAN_OPTIONS"));
        static const QRegularExpression suppressions(QStringLiteral("suppressions=([^:]+)"));
        if (const QRegularExpressionMatch m = suppressions.match(lsan); m.hasMatch()) {
            const QString copy = home.filePath(QStringLiteral("lsan.supp"));
            QFile::remove(copy);
            if (QFile::copy(m.captured(1), copy)) {
                QFile::setPermissions(copy, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
                lsan.replace(m.capturedStart(1), m.capturedLength(1), copy);
                env.insert(QStringLiteral("LSAN_OPTIONS"), lsan);
            }
        }
        return env;
    }

    // The command that runs `path` as the user, with its arguments.
    std::pair<QString, QStringList> asUser(const QString& path, const QStringList& arguments = {}) const {
        if (::geteuid() != 0)
            return {path, arguments};
        QStringList all{QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(gid),
                        QStringLiteral("--clear-groups"), QStringLiteral("--"), path};
        return {QStringLiteral("setpriv"), all + arguments};
    }

    // True while the process pid runs the unpacked program (not ended, not waiting to be reaped).
    bool runsTheUnpackedProgram(pid_t pid) const {
        const QString exe = QFileInfo(programFolder() + QStringLiteral("/vellumo")).canonicalFilePath();
        return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == exe && !isZombie(pid);
    }

    // The one process running the unpacked program (started by the launcher), found by its executable.
    std::optional<pid_t> unpackedProgramProcess() const {
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool number = false;
            const pid_t pid = entry.toInt(&number);
            if (number && runsTheUnpackedProgram(pid))
                return pid;
        }
        return std::nullopt;
    }

    QString userFile(const QString& path) const { return home.filePath(path); }

    QStringList storedTexts() const {
        QStringList texts;
        Database db = Database::open(userFile(QStringLiteral(".local/share/vellumo/Vellumo.dbo")));
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Recived ORDER BY Compteur"));
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            texts << rs->text(QStringLiteral("Text"));
        return texts;
    }

    QTemporaryDir home;
    QTemporaryDir errors;
    uid_t uid = 0;
    gid_t gid = 0;
    bool madeReadOnly = false;
    int port = 0;
    QProcess program;
    std::vector<pid_t> started;
};

TEST_F(InstalledProgram, ListensAndStoresAMessageInTheUsersDataFolder) {
    const QStringList before = listing(root.path());
    {
        const auto [tool, args] = asUser(QStringLiteral("test"), {QStringLiteral("-w"), programFolder()});
        EXPECT_NE(test::runCommand(tool, args).code, 0) << "the user must not be able to write the program folder";
    }

    // Started as a user starts it: the command on the PATH, a link to the program folder's program.
    const auto [tool, arguments] = asUser(command(QStringLiteral("vellumo")));
    program.setProcessEnvironment(sessionEnvironment());
    program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    program.setStandardErrorFile(errorLog(), QIODevice::Append);
    program.setWorkingDirectory(home.path());
    program.start(tool, arguments);
    ASSERT_TRUE(program.waitForStarted(test::scaledMs(10000)));
    ASSERT_TRUE(test::waitUntilListening(program, port, test::scaledMs(60000), errorLog()));
    EXPECT_TRUE(runsTheUnpackedProgram(static_cast<pid_t>(program.processId())))
        << "the command must run the program of the unpacked folder";

    // The program's own sender, from a folder of its own that names the port.
    QTemporaryDir sender;
    {
        QFile ini(sender.filePath(QStringLiteral("Vellumo.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Server]\r\nPort=" + QByteArray::number(port) + "\r\n");
    }
    const QString text = QStringLiteral("Bonjour du poste installé");
    const test::CommandOutcome sent =
        test::runCommand(QStringLiteral(VELLUMO_TEST_TOOLS_DIR) + QStringLiteral("/peer_send"),
                         {sender.path(), QStringLiteral("127.0.0.1"), text});
    ASSERT_EQ(sent.code, 0) << sent.output.constData();

    EXPECT_EQ(storedTexts(), QStringList{text});
    for (const char* file :
         {".config/vellumo/Vellumo.ini", ".local/share/vellumo/Vellumo.dbo", ".local/share/vellumo/Vellumo.lock"}) {
        const QFileInfo info(userFile(QString::fromLatin1(file)));
        EXPECT_TRUE(info.isFile()) << file;
        EXPECT_EQ(info.ownerId(), uid) << file;
    }
    // Every folder the program made is the user's alone.
    for (const char* folder : {".local", ".local/share", ".local/share/vellumo", ".config/vellumo/registry"}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(userFile(QString::fromLatin1(folder))).constData(), &st), 0) << folder;
        EXPECT_EQ(st.st_mode & 077, 0u) << folder << " has mode " << std::oct << (st.st_mode & 07777);
        EXPECT_EQ(st.st_uid, uid) << folder;
    }
    EXPECT_EQ(listing(root.path()), before) << "the installed files are untouched";
}

TEST_F(InstalledProgram, TheLogonEntryStartsTheInstalledProgramWhenTheUsersStartWithWindowsIsOn) {
    const QString exec =
        desktopValue(unpacked(QStringLiteral("/etc/xdg/autostart/vellumo-kippler.desktop")), QStringLiteral("Exec"));
    ASSERT_FALSE(exec.isEmpty());

    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "StartWithWindows=1" : "StartWithWindows=0");
        writeUserSettings(on ? QByteArray("StartWithWindows=1") : QByteArray("StartWithWindows=0"));
        // Exec names the command on the PATH, as the session finds it: the package's PATH folder.
        const auto [tool, arguments] = asUser(command(exec));
        QProcess launcher;
        launcher.setProcessEnvironment(sessionEnvironment());
        // The program it starts inherits its output and error stream: a pipe closed with the ended
        // launcher would end it, so neither is one (the output is the test's, the errors go to a file).
        launcher.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        launcher.setStandardErrorFile(errorLog(), QIODevice::Append);
        launcher.setWorkingDirectory(home.path());
        launcher.start(tool, arguments);
        ASSERT_TRUE(launcher.waitForStarted(test::scaledMs(10000)));
        ASSERT_TRUE(launcher.waitForFinished(test::scaledMs(30000))) << "the launcher ends at once";
        EXPECT_EQ(launcher.exitCode(), 0);
        if (!on) {
            EXPECT_FALSE(unpackedProgramProcess().has_value());
            continue;
        }
        // The launcher starts the program of its own folder, the unpacked one.
        std::optional<pid_t> pid;
        ASSERT_TRUE(
            test::waitUntil([&] { return (pid = unpackedProgramProcess()).has_value(); }, test::scaledMs(30000)))
            << "no process runs " << qPrintable(programFolder()) << "/vellumo";
        started.push_back(*pid);
        const pid_t programPid = *pid;
        EXPECT_TRUE(test::waitUntilListening(
            [&]() -> std::optional<QString> {
                if (runsTheUnpackedProgram(programPid))
                    return std::nullopt;
                return QStringLiteral("it ended (its exit code went to the ended launcher)");
            },
            programPid, port, test::scaledMs(60000), errorLog()));
        EXPECT_TRUE(QFile::exists(userFile(QStringLiteral(".local/share/vellumo/Vellumo.dbo"))));
    }
}

} // namespace
} // namespace vellumo
