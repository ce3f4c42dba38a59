#include "tests/desktop/station.h"

#include "platform/runtime/runtime_error.h"
#include "platform/store/database.h"
#include "platform/store/recordset.h"
#include "tests/support/command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <unistd.h>

namespace vellumo::desktop {

// ---- StationNetwork -------------------------------------------------------------------------------

StationNetwork::~StationNetwork() {
    if (!made_)
        return;
    for (const Member& m : members_) {
        test::runCommand({"ip", "netns", "del", m.ns});
        QDir(QStringLiteral("/etc/netns/") + m.ns).removeRecursively();
    }
}

bool StationNetwork::create(QString* why) {
    if (::geteuid() != 0) {
        *why = QStringLiteral("needs root to make network namespaces (ip netns)");
        return false;
    }
    const QString tag = QString::number(::getpid());
    // Addresses of the benchmarking range, given to the scenario's own namespaces only.
    members_ = {{QStringLiteral("poste-a-") + tag, QStringLiteral("198.18.0.1"), QStringLiteral("vlm-dska-") + tag},
                {QStringLiteral("poste-b-") + tag, QStringLiteral("198.18.0.2"), QStringLiteral("vlm-dskb-") + tag}};
    test::CommandOutcome r = test::runCommand({"ip", "netns", "add", members_[0].ns});
    if (r.code != 0) {
        *why =
            QStringLiteral("ip netns add failed, network namespaces unavailable here: ") + QString::fromUtf8(r.output);
        return false;
    }
    made_ = true;
    r = test::runCommand({"ip", "netns", "add", members_[1].ns});
    if (r.code != 0) {
        *why = QStringLiteral("ip netns add failed: ") + QString::fromUtf8(r.output);
        return false;
    }
    const QString vethA = QStringLiteral("vda") + tag.right(8);
    const QString vethB = QStringLiteral("vdb") + tag.right(8);
    QStringList steps[] = {
        {"ip", "link", "add", vethA, "type", "veth", "peer", "name", vethB},
        {"ip", "link", "set", vethA, "netns", members_[0].ns},
        {"ip", "link", "set", vethB, "netns", members_[1].ns},
    };
    for (const QStringList& step : steps) {
        if (r = test::runCommand(step); r.code != 0) {
            *why = step.join(u' ') + QStringLiteral(" failed: ") + QString::fromUtf8(r.output);
            return false;
        }
    }
    QByteArray hosts = "127.0.0.1\tlocalhost\n";
    for (const Member& m : members_)
        hosts += m.address.toLatin1() + '\t' + m.name.toLatin1() + '\n';
    const QString veths[2] = {vethA, vethB};
    for (int i = 0; i < 2; ++i) {
        const Member& m = members_[static_cast<std::size_t>(i)];
        for (const QStringList& step :
             {QStringList{"ip", "-n", m.ns, "addr", "add", m.address + "/24", "dev", veths[i]},
              QStringList{"ip", "-n", m.ns, "link", "set", veths[i], "up"},
              QStringList{"ip", "-n", m.ns, "link", "set", "lo", "up"}}) {
            if (r = test::runCommand(step); r.code != 0) {
                *why = step.join(u' ') + QStringLiteral(" failed: ") + QString::fromUtf8(r.output);
                return false;
            }
        }
        const QString etc = QStringLiteral("/etc/netns/") + m.ns;
        QDir().mkpath(etc);
        QFile f(etc + QStringLiteral("/hosts"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(hosts) != hosts.size()) {
            *why = QStringLiteral("cannot write ") + f.fileName();
            return false;
        }
    }
    return true;
}

// ---- Station --------------------------------------------------------------------------------------

namespace {
// The program folder the stations are copied from: the build's, or another build's when
// VELLUMO_DESKTOP_PROGRAM_DIR names one (to run a scenario against the program before a change).
QString programFolder() {
    const QString other = qEnvironmentVariable("VELLUMO_DESKTOP_PROGRAM_DIR");
    return other.isEmpty() ? QStringLiteral(VELLUMO_PROGRAM_DIR) : other;
}
} // namespace

Station::Station(const XSession& x, const StationNetwork::Member* member, const QString& extraSettings)
    : x_(x), folder_(programFolder()) {
    if (member) {
        member_ = *member;
        name_ = member->name;
        // Each namespace has its own ports: every station uses the program's default port.
        folder_.writeSettings(32666, extraSettings);
    } else {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        name_ = QString::fromLocal8Bit(host);
        port_ = test::freeLoopbackPort();
        folder_.writeSettings(port_, extraSettings);
    }
}

Station::~Station() {
    stop();
}

QProcessEnvironment Station::environment() const {
    QProcessEnvironment env = x_.clientEnvironment(home_.path());
    env.insert(extraEnvironment_);
    QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    if (!asan.isEmpty()) {
        // See the header: the X keyboard library trips strict_string_checks at connection time.
        asan.replace(QRegularExpression(QStringLiteral("strict_string_checks=1")),
                     QStringLiteral("strict_string_checks=0"));
        env.insert(QStringLiteral("ASAN_OPTIONS"), asan);
    }
    return env;
}

QStringList Station::command(const QString& program, const QStringList& arguments) const {
    if (!member_)
        return QStringList{program} + arguments;
    // The namespace, then a host name of its own (a UTS namespace), then the program in place of the
    // shell, so that the process id is the program's.
    return QStringList{"ip",    "netns",       "exec", member_->ns, "unshare",
                       "--uts", "--",          "sh",   "-c",        "hostname \"$1\" && shift && exec \"$@\"",
                       "sh",    member_->name, program} +
           arguments;
}

bool Station::start(QString* why) {
    program_ = std::make_unique<QProcess>();
    program_->setProcessEnvironment(environment());
    const QString logFile = QDir(home_.path()).filePath(QStringLiteral("program.log"));
    program_->setStandardOutputFile(logFile, QIODevice::Append);
    program_->setStandardErrorFile(logFile, QIODevice::Append);
    program_->setWorkingDirectory(folder_.path());
    const QStringList cmd = command(folder_.file(QStringLiteral("vellumo")), {});
    program_->start(cmd.first(), cmd.mid(1));
    if (!program_->waitForStarted(10000)) {
        *why = QStringLiteral("the program did not start");
        return false;
    }
    // Under a loaded machine (and the sanitizers) the start can take a while.
    // Seen once is enough: under load a second look at the tray host can miss the icon for a moment.
    bool embedded = false;
    waitFor(
        [this, &embedded] {
            embedded = trayIcon().has_value();
            return embedded || program_->state() == QProcess::NotRunning;
        },
        90000);
    if (!embedded) {
        *why = QStringLiteral("no tray icon of %1 in the tray host; its log:\n%2").arg(name_, log());
        return false;
    }
    return true;
}

bool Station::startLauncher(const QStringList& arguments) {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(environment());
    const QString logFile = QDir(home_.path()).filePath(QStringLiteral("program.log"));
    p->setStandardOutputFile(logFile, QIODevice::Append);
    p->setStandardErrorFile(logFile, QIODevice::Append);
    p->setWorkingDirectory(folder_.path());
    const QStringList cmd = command(folder_.file(QStringLiteral("kippler")), arguments);
    p->start(cmd.first(), cmd.mid(1));
    const bool started = p->waitForStarted(10000);
    launchers_.push_back(std::move(p));
    return started;
}

std::vector<qint64> Station::programPids() const {
    // Every process whose executable is this folder's program: the one started here, and one that
    // the launcher started.
    std::vector<qint64> pids;
    const QString exe = QFileInfo(folder_.file(QStringLiteral("vellumo"))).canonicalFilePath();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        const QString target = QFileInfo(QStringLiteral("/proc/") + entry + QStringLiteral("/exe")).symLinkTarget();
        if (!target.isEmpty() && target == exe) {
            // A process that has ended but is not yet reaped is no longer a running program.
            QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
            if (stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z "))
                continue;
            pids.push_back(pid);
        }
    }
    return pids;
}

qint64 Station::pid() const {
    const auto pids = programPids();
    return pids.empty() ? 0 : pids.front();
}

bool Station::waitForEnd(int timeoutMs) {
    return waitFor([this] { return pid() == 0; }, timeoutMs);
}

void Station::stop() {
    if (program_ && program_->state() != QProcess::NotRunning) {
        program_->terminate();
        if (!program_->waitForFinished(10000)) {
            program_->kill();
            program_->waitForFinished(5000);
        }
    }
    for (auto& launcher : launchers_) {
        if (launcher->state() != QProcess::NotRunning) {
            launcher->kill();
            launcher->waitForFinished(5000);
        }
    }
    // A program the launcher started is no child of ours: ended by its id.
    for (qint64 pid : programPids()) {
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        if (!waitFor([&] { return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget().isEmpty(); },
                     10000))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

std::optional<XWindow> Station::trayIcon() const {
    const qint64 p = pid();
    if (p == 0)
        return std::nullopt;
    const auto icons = x_.trayIconsOf(p);
    if (icons.empty())
        return std::nullopt;
    return icons.front();
}

std::vector<StoredMessage> Station::rows(const char* table) const {
    std::vector<StoredMessage> found;
    const QString path = folder_.file(QStringLiteral("Vellumo.dbo"));
    if (!QFile::exists(path))
        return found;
    try {
        Database db = Database::inspect(path);
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM %1").arg(QString::fromLatin1(table)));
        for (; !rs->eof(); rs->moveNext())
            found.push_back({rs->text(QStringLiteral("FROM")), rs->text(QStringLiteral("TO")),
                             rs->text(QStringLiteral("Text")), rs->text(QStringLiteral("RTF"))});
    } catch (const RuntimeError&) {
        // Busy or not there yet: nothing to read this time.
    }
    return found;
}

bool Station::storeMessage(const char* table, const StoredMessage& message, const QDateTime& when) const {
    const QString path = folder_.file(QStringLiteral("Vellumo.dbo"));
    // The store the program would make from its template at its first start.
    if (!QFile::exists(path) && !QFile::copy(folder_.file(QStringLiteral("Vellumo.sys")), path))
        return false;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const bool received = qstrcmp(table, "Recived") == 0;
    try {
        Database db = Database::open(path);
        auto rs = db.openRecordset(QString::fromLatin1(table));
        rs->addNew();
        rs->setField(QStringLiteral("FROM"), message.from);
        rs->setField(QStringLiteral("TO"), message.to);
        rs->setField(QStringLiteral("OnDate"), when.toString(QStringLiteral("dd/MM/yyyy 'à' hh:mm:ss")));
        rs->setField(received ? QStringLiteral("ReceiptDate") : QStringLiteral("SendedDate"), when);
        rs->setField(QStringLiteral("Text"), message.text);
        rs->setField(QStringLiteral("RTF"), message.rtf);
        rs->update();
        db.close();
    } catch (const RuntimeError&) {
        return false;
    }
    return true;
}

std::vector<StoredMessage> Station::received() const {
    return rows("Recived");
}
std::vector<StoredMessage> Station::sent() const {
    return rows("Sended");
}

QString Station::log() const {
    QFile f(QDir(home_.path()).filePath(QStringLiteral("program.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QString Station::sanitizerReports() const {
    const QString text = log();
    QStringList reports;
    for (const QString& line : text.split(u'\n'))
        if (line.contains(QStringLiteral("ERROR: AddressSanitizer")) ||
            line.contains(QStringLiteral("ERROR: LeakSanitizer")) || line.contains(QStringLiteral("runtime error:")))
            reports << line;
    return reports.isEmpty() ? QString() : text;
}

} // namespace vellumo::desktop
