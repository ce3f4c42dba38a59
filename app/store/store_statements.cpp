#include "app/store/store_statements.h"

namespace vellumo::StoreStatements {

namespace {
QString isoDay(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}
} // namespace

QString PurgeRecived(const QDate& day) {
    return QStringLiteral("DELETE * FROM  Recived WHERE ReceiptDate < #") + isoDay(day) + QStringLiteral("# ;");
}

QString PurgeSended(const QDate& day) {
    return QStringLiteral("DELETE * FROM  Sended WHERE SendedDate < #") + isoDay(day) + QStringLiteral("# ;");
}

QString DeleteUser(const QString& name) {
    QString literal = name;
    literal.replace(u'\'', QStringLiteral("''"));
    return QStringLiteral("DELETE * FROM Users WHERE Name ='") + literal + QStringLiteral("';");
}

} // namespace vellumo::StoreStatements
