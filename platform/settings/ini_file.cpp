#include "platform/settings/ini_file.h"

#include "platform/runtime/windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <mutex>

namespace vellumo {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

QByteArrayView trimmed(QByteArrayView v) {
    qsizetype b = 0, e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}

QString trimmedName(const QString& name) {
    qsizetype b = 0, e = name.size();
    auto blank = [](QChar c) { return c.unicode() < 0x80 && isBlank(static_cast<char>(c.unicode())); };
    while (b < e && blank(name[b]))
        ++b;
    while (e > b && blank(name[e - 1]))
        --e;
    return name.sliced(b, e - b);
}

bool hasLineBreakOrNul(const QString& s) {
    for (QChar c : s) {
        if (c == u'\n' || c == u'\r' || c == u'\0')
            return true;
    }
    return false;
}

// The cache of parsed files. One entry per path; an entry is used only while the file's identity and
// modification stamp are unchanged.
struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const Stamp&) const = default;
};

struct CacheEntry {
    Stamp stamp;
    std::shared_ptr<const IniFile> image;
};

constexpr qsizetype kMaxCachedFiles = 32;

std::mutex& cacheMutex() {
    static std::mutex m;
    return m;
}

QHash<QString, CacheEntry>& cache() {
    static QHash<QString, CacheEntry> c;
    return c;
}

Stamp stampOf(const struct stat& st) {
    return Stamp{st.st_dev, st.st_ino, st.st_size,
                 static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// The parsed image of the file at path, from the cache when the file is unchanged; null when the file
// cannot be read.
std::shared_ptr<const IniFile> imageOf(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    struct stat st {};
    if (::stat(QFile::encodeName(absolute).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    {
        std::lock_guard lock(cacheMutex());
        auto it = cache().constFind(absolute);
        if (it != cache().constEnd() && it->stamp == stampOf(st))
            return it->image;
    }
    QFile file(absolute);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    // The stamp of the file actually opened, taken before reading: a change during the read shows up
    // as a different stamp next time.
    if (::fstat(file.handle(), &st) != 0)
        return nullptr;
    const QByteArray bytes = file.readAll();
    auto image = std::make_shared<const IniFile>(bytes);
    std::lock_guard lock(cacheMutex());
    if (cache().size() >= kMaxCachedFiles)
        cache().clear();
    cache().insert(absolute, CacheEntry{stampOf(st), image});
    return image;
}

void forget(const QString& path) {
    std::lock_guard lock(cacheMutex());
    cache().remove(QFileInfo(path).absoluteFilePath());
}

} // namespace

IniFile::IniFile(QByteArrayView bytes) : bytes_(bytes.toByteArray()) {
    sections_.push_back(Section{});
    int current = 0;
    qsizetype pos = 0;
    const qsizetype n = bytes_.size();
    bool lineEndSeen = false;
    lineEnd_ = QByteArrayLiteral("\r\n");
    while (pos < n) {
        qsizetype eol = bytes_.indexOf('\n', pos);
        const bool terminated = eol >= 0;
        if (!terminated)
            eol = n;
        qsizetype end = eol;
        if (terminated && end > pos && bytes_[end - 1] == '\r')
            --end;
        if (terminated && !lineEndSeen) {
            lineEndSeen = true;
            lineEnd_ = end < eol ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
        }
        endsWithLineEnd_ = terminated;

        Line line;
        line.begin = pos;
        line.end = end;
        const QByteArrayView text = trimmed(QByteArrayView(bytes_).sliced(pos, end - pos));
        const int index = static_cast<int>(lines_.size());
        bool isHeader = false;
        if (!text.isEmpty() && text[0] == '[') {
            const qsizetype close = text.lastIndexOf(']');
            if (close > 0) {
                isHeader = true;
                line.kind = Kind::Section;
                Section s;
                s.name = cp1252::decode(trimmed(text.sliced(1, close - 1)));
                s.headerLine = index;
                s.lastContentLine = index;
                current = static_cast<int>(sections_.size());
                sections_.push_back(std::move(s));
            }
        }
        line.section = current;
        if (!isHeader && !text.isEmpty()) {
            sections_[current].lastContentLine = index;
            if (text[0] == ';') {
                line.kind = Kind::Comment;
            } else if (const qsizetype eq = text.indexOf('='); eq >= 0) {
                line.kind = Kind::Pair;
                line.key = cp1252::decode(trimmed(text.first(eq)));
                line.value = cp1252::decode(trimmed(text.sliced(eq + 1)));
            }
        }
        lines_.push_back(std::move(line));
        pos = terminated ? eol + 1 : n;
    }
    if (n == 0)
        endsWithLineEnd_ = true;

    // The first section of a name and the first key of a name within it are the ones found: index
    // from the back, so that the earliest insert of a name is the last and stays.
    for (int i = static_cast<int>(sections_.size()) - 1; i >= 0; --i)
        sectionIndex_.insert(fold(sections_[i].name), i);
    for (int i = static_cast<int>(lines_.size()) - 1; i >= 0; --i) {
        const Line& l = lines_[i];
        if (l.kind == Kind::Pair)
            sections_[l.section].keys.insert(fold(l.key), i);
    }
}

QString IniFile::fold(const QString& name) {
    return name.toCaseFolded();
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    auto it = sectionIndex_.constFind(fold(trimmedName(name)));
    return it == sectionIndex_.constEnd() ? nullptr : &sections_[*it];
}

std::optional<QString> IniFile::rawValue(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    auto it = s->keys.constFind(fold(trimmedName(key)));
    if (it == s->keys.constEnd())
        return std::nullopt;
    return lines_[*it].value;
}

QString IniFile::read(const QString& section, const QString& key, const QString& defaultValue, int bufferSize) const {
    if (bufferSize <= 0)
        return QString();
    QString value;
    if (auto raw = rawValue(section, key)) {
        value = *raw;
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
    } else {
        value = defaultValue;
    }
    return value.left(bufferSize - 1);
}

bool IniFile::isWritableSection(const QString& section) {
    if (hasLineBreakOrNul(section))
        return false;
    // "[a]b]" reads back as "a]b"; only a "]" that is last after trimming would be lost.
    const QString t = trimmedName(section);
    return !t.endsWith(u']');
}

bool IniFile::isWritableKey(const QString& key) {
    const QString t = trimmedName(key);
    return !hasLineBreakOrNul(key) && !t.isEmpty() && !t.contains(u'=') && !t.startsWith(u'[') && !t.startsWith(u';');
}

bool IniFile::isWritableValue(const QString& value) {
    return !hasLineBreakOrNul(value);
}

std::optional<QByteArray> IniFile::withValue(const QString& section, const QString& key, const QString& value) const {
    if (!isWritableSection(section) || !isWritableKey(key) || !isWritableValue(value))
        return std::nullopt;
    const QString sectionName = trimmedName(section);
    const QString keyName = trimmedName(key);
    const Section* s = findSection(sectionName);
    if (s) {
        auto it = s->keys.constFind(fold(keyName));
        if (it != s->keys.constEnd()) {
            const Line& l = lines_[*it];
            QByteArray out = bytes_.first(l.begin);
            out += cp1252::encode(l.key) + '=' + cp1252::encode(value);
            out += QByteArrayView(bytes_).sliced(l.end);
            return out;
        }
        // A new key goes right after the section's last non-blank line.
        const QByteArray pair = cp1252::encode(keyName) + '=' + cp1252::encode(value);
        if (s->lastContentLine < 0) { // the nameless section, empty: at the very top
            return pair + lineEnd_ + bytes_;
        }
        const Line& after = lines_[s->lastContentLine];
        const qsizetype lineEndAt = after.end;
        QByteArray out = bytes_.first(lineEndAt);
        if (lineEndAt == bytes_.size()) { // the last line of a file without a final line end
            out += lineEnd_ + pair + lineEnd_;
            return out;
        }
        // Keep the line's own end, then the new pair with the file's line end.
        const qsizetype next = bytes_.indexOf('\n', lineEndAt) + 1;
        out += QByteArrayView(bytes_).sliced(lineEndAt, next - lineEndAt);
        out += pair + lineEnd_;
        out += QByteArrayView(bytes_).sliced(next);
        return out;
    }
    QByteArray out = bytes_;
    if (!endsWithLineEnd_)
        out += lineEnd_;
    out += '[' + cp1252::encode(sectionName) + ']' + lineEnd_;
    out += cp1252::encode(keyName) + '=' + cp1252::encode(value) + lineEnd_;
    return out;
}

QString IniFile::read(const QString& path, const QString& section, const QString& key, const QString& defaultValue,
                      int bufferSize) {
    if (auto image = imageOf(path))
        return image->read(section, key, defaultValue, bufferSize);
    return bufferSize <= 0 ? QString() : defaultValue.left(bufferSize - 1);
}

int IniFile::write(const QString& path, const QString& section, const QString& key, const QString& value) {
    QByteArray current;
    {
        QFile file(path);
        if (file.exists()) {
            if (!file.open(QIODevice::ReadOnly))
                return file.error() == QFileDevice::PermissionsError ? EACCES : EIO;
            current = file.readAll();
        }
    }
    const auto updated = IniFile(current).withValue(section, key, value);
    if (!updated)
        return EINVAL;
    QSaveFile out(path);
    // A folder we may not create files in, holding a file we may write: write in place.
    out.setDirectWriteFallback(true);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly)) {
        const int e = errno;
        forget(path);
        return e ? e : EACCES;
    }
    if (out.write(*updated) != updated->size() || !out.commit()) {
        const int e = errno;
        forget(path);
        return e ? e : EIO;
    }
    forget(path);
    return 0;
}

void IniFile::clearCache() {
    std::lock_guard lock(cacheMutex());
    cache().clear();
}

} // namespace vellumo
