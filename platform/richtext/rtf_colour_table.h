#pragma once
// RtfColourTable: the colour table of one RTF document, shared by the reader (filled from \colortbl)
// and the writer (which numbers the colours it meets). Owned by whoever reads or writes the document.
//
// Invariants: entries keep their order and index (\cf<index>, \cb<index>, \highlight<index> refer to
// them); an entry is either a colour or "auto" (an empty entry, the reader's default colour). A table
// the writer starts (indexOf on an empty table) opens with an auto entry, so that index 0 keeps
// meaning "default colour" as readers expect.
//
// What toRtf() writes:
//
//   {\colortbl;\red<r>\green<g>\blue<b>;...}
//
//   ;                         an auto entry (the first one, for a table the writer started)
//   \red<r>\green<g>\blue<b>; one colour, each component 0 to 255

#include <QByteArray>
#include <QColor>
#include <QList>

#include <optional>

namespace vellumo {

class RtfColourTable {
public:
    void append(std::optional<QColor> colour) { entries_.append(colour); }
    // The colour of an entry; empty for an auto entry or an index outside the table.
    std::optional<QColor> colour(int index) const;
    // The index of an opaque colour (compared as RGB), appending it when missing.
    int indexOf(const QColor& colour);
    int size() const { return static_cast<int>(entries_.size()); }
    void clear() { entries_.clear(); }

    QByteArray toRtf() const;

private:
    QList<std::optional<QColor>> entries_;
};

} // namespace vellumo
