#pragma once
// RtfFontTable: the font table of one RTF document, shared by the reader (which fills it from the
// document's \fonttbl group) and the writer (which numbers the families it meets and writes the table).
// Owned by whoever reads or writes the document, for that one document.
//
// Invariants: a number names at most one family; families keep the order they were first set in, which
// is the order toRtf() writes them in. Family names are held as text (the reader has already decoded
// \'xx and \u escapes).
//
// What toRtf() writes, one entry per family:
//
//   {\fonttbl{\f<number>\fnil\fcharset0 <family>;}...}
//
//   <number>  the entry's font number, referred to by \f<number> in the body
//   <family>  ASCII as it stands; "\", "{", "}" escaped with "\"; other characters as \'xx in
//             Windows-1252 ("?" where the code page has none); ";" cannot appear (it ends the entry)

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace vellumo {

class RtfFontTable {
public:
    // Sets the family of a font number; a later entry for the same number replaces the earlier one.
    void set(int number, const QString& family);
    bool contains(int number) const { return families_.contains(number); }
    // The family of a number, or an empty text when the table has none.
    QString family(int number) const { return families_.value(number); }
    // The number of a family (exact comparison), adding it with the next free number when missing.
    int numberOf(const QString& family);
    int size() const { return static_cast<int>(order_.size()); }
    void clear();

    QByteArray toRtf() const;

private:
    QHash<int, QString> families_;
    QList<int> order_;
    int nextNumber_ = 0;
};

// Appends text to an RTF stream as the writer and the tables put it: ASCII as it stands, the three
// special characters escaped, everything else as \'xx in Windows-1252.
void appendRtfText(QByteArray& out, QStringView text);

} // namespace vellumo
