#pragma once
// IniFile: reading and writing single values of an INI ("profile") file, with the lookup rules that
// the settings file, the language files and the registry copy all rely on. One parsed image of a file
// is an IniFile; the static read() and write() work on a path and keep the parsed images cached by
// path, size, modification time and inode, so that reading thousands of keys of one language file
// parses it once. Owned by nobody: the cache is private to this class and holds only what the file
// on disk holds; every write goes to disk at once and drops the cached image.
//
// File format (bytes are Windows-1252, one byte per character):
//
//   line                      | meaning
//   --------------------------|-----------------------------------------------------------------
//   [ name ] anything         | opens section "name" (blanks inside the brackets trimmed, text up
//                             | to the last "]"; what follows it is ignored)
//   key = value               | a pair of the current section; key and value trimmed of blanks;
//                             | the first "=" splits; "; x" after a value is part of the value
//   ;anything                 | comment
//   blank, or text without =  | kept as it stands, never a pair
//   lines before any [section]| belong to the section with the empty name
//
// Line ends are LF or CR LF. Section and key names match without regard to case; the first section
// of a name and the first key of a name within it win. A value read back loses one pair of
// surrounding quotes ("x" or 'x') and is cut to bufferSize - 1 characters, as is the default.
//
// A write replaces the value of an existing pair in place (keeping the stored spelling of the key),
// adds a missing key after the last non-blank line of its section, adds a missing section at the end,
// or creates the file; every other line stays byte for byte. New lines take the file's own line end
// (CR LF for a new file). The file is replaced atomically. Names or values that could not be read
// back as written (a line break, NUL, a key with "=" or starting with "[" or ";", an empty key or a
// section ending with "]") are refused and nothing is written.

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace vellumo {

class IniFile {
public:
    // The classic read buffer: 255 characters, one kept for the terminator.
    static constexpr int ReadBufferSize = 255;

    // Parses the bytes of a whole file. Total: any byte string gives an image.
    explicit IniFile(QByteArrayView bytes);

    // The value of a pair (trimmed, quotes not yet removed), or nothing when the section or key is
    // missing or the line has no "=".
    std::optional<QString> rawValue(const QString& section, const QString& key) const;
    // What a read returns: the value with one pair of surrounding quotes removed, or defaultValue;
    // either cut to bufferSize - 1 characters.
    QString read(const QString& section, const QString& key, const QString& defaultValue,
                 int bufferSize = ReadBufferSize) const;
    // The file's bytes after writing section/key = value; nothing when the names or value are refused.
    std::optional<QByteArray> withValue(const QString& section, const QString& key, const QString& value) const;

    // Reads one value of the file at path; a missing or unreadable file gives defaultValue.
    static QString read(const QString& path, const QString& section, const QString& key, const QString& defaultValue,
                        int bufferSize = ReadBufferSize);
    // Writes one value to the file at path. Returns 0 on success, else an errno value (EINVAL for
    // refused names or values).
    static int write(const QString& path, const QString& section, const QString& key, const QString& value);

    // Whether a name or value can be written and read back as it stands.
    static bool isWritableSection(const QString& section);
    static bool isWritableKey(const QString& key);
    static bool isWritableValue(const QString& value);

    // Forgets every cached image (tests; the cache also drops an image whenever its file changes).
    static void clearCache();

private:
    enum class Kind { Other, Comment, Section, Pair };
    struct Line {
        qsizetype begin = 0; // offset of the line's first byte
        qsizetype end = 0;   // offset just past its last byte, line end excluded
        Kind kind = Kind::Other;
        int section = 0; // index into sections_ of the section the line belongs to
        QString key;     // Pair: trimmed key as stored
        QString value;   // Pair: trimmed value
    };
    struct Section {
        QString name;
        int headerLine = -1;      // -1 for the nameless section before the first header
        int lastContentLine = -1; // last non-blank line of the section (its header when empty)
        QHash<QString, int> keys; // folded key -> first pair line
    };

    static QString fold(const QString& name);
    const Section* findSection(const QString& name) const;

    QByteArray bytes_;
    QByteArray lineEnd_;
    bool endsWithLineEnd_ = true;
    std::vector<Line> lines_;
    std::vector<Section> sections_;
    QHash<QString, int> sectionIndex_; // folded name -> first section of that name
};

} // namespace vellumo
