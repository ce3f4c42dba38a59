#include "app/ui/recipients_line.h"

namespace vellumo::RecipientsLine {

namespace {
bool sameStation(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool holds(const QStringList& stations, const QString& name) {
    for (const QString& s : stations) {
        if (sameStation(s, name))
            return true;
    }
    return false;
}
} // namespace

QStringList Stations(const QString& line) {
    QStringList stations;
    for (const QString& piece : line.split(u';')) {
        const QString name = piece.trimmed();
        if (!name.isEmpty() && !holds(stations, name))
            stations << name;
    }
    return stations;
}

QString Join(const QStringList& stations) {
    QString line;
    for (const QString& s : stations)
        line += s + u';';
    return line;
}

QStringList Without(const QStringList& stations, const QString& ownName) {
    const QString own = ownName.trimmed();
    QStringList kept;
    for (const QString& s : stations) {
        if (!sameStation(s, own))
            kept << s;
    }
    return kept;
}

QString Append(const QString& line, const QString& name) {
    const QString station = name.trimmed();
    if (station.isEmpty() || holds(Stations(line), station))
        return line;
    const QString kept = line.trimmed();
    if (kept.isEmpty())
        return station + u';';
    return kept.endsWith(u';') ? line + station + u';' : line + u';' + station + u';';
}

} // namespace vellumo::RecipientsLine
