#include "platform/store/jet_sql.h"

#include "platform/runtime/runtime_error.h"
#include "platform/store/sqlite_connection.h"

namespace vellumo {

namespace {

struct Token {
    enum class Type { End, Word, Name, Text, Date, Number, Symbol };
    Type type = Type::End;
    QString text;
};

[[noreturn]] void badStatement() {
    throw RuntimeError(dberr::BadStatement, "Database",
                       "Invalid SQL statement; expected 'DELETE' or 'SELECT', or a table name.");
}

[[noreturn]] void syntaxError(const QString& sql) {
    throw RuntimeError(dberr::Syntax, "Database", QStringLiteral("Syntax error in query expression '%1'.").arg(sql));
}

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

class Lexer {
public:
    explicit Lexer(const QString& sql) : sql_(sql) {}

    Token next() {
        while (pos_ < sql_.size() && sql_[pos_].isSpace())
            ++pos_;
        if (pos_ >= sql_.size())
            return {};
        const QChar c = sql_[pos_];
        if (c == u'\'' || c == u'"')
            return quoted(c, Token::Type::Text);
        if (c == u'[')
            return bracketed();
        if (c == u'#')
            return date();
        if (c.isDigit() || (c == u'-' && pos_ + 1 < sql_.size() && sql_[pos_ + 1].isDigit()))
            return number();
        if (isWordChar(c)) {
            const qsizetype start = pos_;
            while (pos_ < sql_.size() && isWordChar(sql_[pos_]))
                ++pos_;
            return {Token::Type::Word, sql_.mid(start, pos_ - start)};
        }
        for (const char* two : {"<=", ">=", "<>"}) {
            if (sql_.mid(pos_, 2) == QLatin1String(two)) {
                pos_ += 2;
                return {Token::Type::Symbol, QString::fromLatin1(two)};
            }
        }
        if (QStringLiteral("*;,=<>").contains(c)) {
            ++pos_;
            return {Token::Type::Symbol, QString(c)};
        }
        syntaxError(sql_);
    }

private:
    Token quoted(QChar quote, Token::Type type) {
        QString value;
        for (++pos_; pos_ < sql_.size(); ++pos_) {
            if (sql_[pos_] == quote) {
                if (pos_ + 1 < sql_.size() && sql_[pos_ + 1] == quote) {
                    value += quote;
                    ++pos_;
                    continue;
                }
                ++pos_;
                return {type, value};
            }
            value += sql_[pos_];
        }
        syntaxError(sql_); // the literal never ends
    }

    Token bracketed() {
        const qsizetype end = sql_.indexOf(u']', pos_ + 1);
        if (end < 0 || end == pos_ + 1)
            syntaxError(sql_);
        Token t{Token::Type::Name, sql_.mid(pos_ + 1, end - pos_ - 1)};
        pos_ = end + 1;
        return t;
    }

    Token date() {
        const qsizetype end = sql_.indexOf(u'#', pos_ + 1);
        if (end < 0)
            syntaxError(sql_);
        Token t{Token::Type::Date, sql_.mid(pos_ + 1, end - pos_ - 1).trimmed()};
        pos_ = end + 1;
        return t;
    }

    Token number() {
        const qsizetype start = pos_;
        if (sql_[pos_] == u'-')
            ++pos_;
        while (pos_ < sql_.size() && (sql_[pos_].isDigit() || sql_[pos_] == u'.'))
            ++pos_;
        return {Token::Type::Number, sql_.mid(start, pos_ - start)};
    }

    const QString& sql_;
    qsizetype pos_ = 0;
};

class Parser {
public:
    explicit Parser(const QString& sql) : sql_(sql), lexer_(sql) { advance(); }

    bool atKeyword(const char* word) const {
        return token_.type == Token::Type::Word && token_.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool atSymbol(const char* symbol) const {
        return token_.type == Token::Type::Symbol && token_.text == QLatin1String(symbol);
    }
    bool atEnd() const { return token_.type == Token::Type::End; }

    void expectKeyword(const char* word) {
        if (!atKeyword(word))
            syntaxError(sql_);
        advance();
    }

    QString name() {
        if (token_.type != Token::Type::Word && token_.type != Token::Type::Name)
            syntaxError(sql_);
        QString n = token_.text;
        advance();
        return n;
    }

    JetStatement select() {
        JetStatement s;
        s.kind = JetStatement::Kind::Select;
        expectKeyword("SELECT");
        if (!atSymbol("*"))
            syntaxError(sql_);
        advance();
        expectKeyword("FROM");
        s.table = name();
        where(s);
        if (atKeyword("ORDER")) {
            advance();
            expectKeyword("BY");
            for (;;) {
                JetOrderKey key{name(), false};
                if (atKeyword("DESC") || atKeyword("ASC")) {
                    key.descending = atKeyword("DESC");
                    advance();
                }
                s.orderBy.push_back(key);
                if (!atSymbol(","))
                    break;
                advance();
            }
        }
        finish();
        return s;
    }

    JetStatement deletion() {
        JetStatement s;
        s.kind = JetStatement::Kind::Delete;
        expectKeyword("DELETE");
        if (atSymbol("*"))
            advance();
        expectKeyword("FROM");
        s.table = name();
        where(s);
        finish();
        return s;
    }

private:
    void advance() { token_ = lexer_.next(); }

    void where(JetStatement& s) {
        if (!atKeyword("WHERE"))
            return;
        advance();
        JetCondition c;
        c.field = name();
        if (token_.type != Token::Type::Symbol || token_.text == u"*" || token_.text == u";" || token_.text == u",")
            syntaxError(sql_);
        c.op = token_.text;
        advance();
        c.value = literal();
        s.where = c;
    }

    QVariant literal() {
        const Token t = token_;
        advance();
        switch (t.type) {
        case Token::Type::Text:
            return t.text;
        case Token::Type::Number: {
            bool ok = false;
            if (const qlonglong n = t.text.toLongLong(&ok); ok)
                return n;
            if (const double d = t.text.toDouble(&ok); ok)
                return d;
            break;
        }
        case Token::Type::Date: {
            const QDate day = QDate::fromString(t.text.left(10), QStringLiteral("yyyy-MM-dd"));
            QTime time(0, 0);
            if (t.text.size() > 10) {
                time = QTime::fromString(t.text.mid(10).trimmed(), QStringLiteral("HH:mm:ss"));
                if (t.text[10] != u' ')
                    time = QTime();
            }
            if (!day.isValid() || !time.isValid())
                throw RuntimeError(dberr::Syntax, "Database",
                                   QStringLiteral("Syntax error in date in query expression '%1'.").arg(sql_));
            return QDateTime(day, time);
        }
        default:
            break;
        }
        syntaxError(sql_);
    }

    void finish() {
        if (atSymbol(";"))
            advance();
        if (!atEnd())
            syntaxError(sql_);
    }

    const QString& sql_;
    Lexer lexer_;
    Token token_;
};

} // namespace

JetStatement JetSql::parseStatement(const QString& text) {
    Parser p(text);
    if (p.atKeyword("DELETE"))
        return p.deletion();
    if (p.atKeyword("SELECT"))
        return p.select();
    badStatement();
}

JetStatement JetSql::parseSource(const QString& text) {
    Parser p(text);
    if (p.atKeyword("SELECT"))
        return p.select();
    if (p.atKeyword("DELETE"))
        badStatement();
    JetStatement s;
    s.kind = JetStatement::Kind::Table;
    if (p.atEnd())
        badStatement();
    s.table = p.name();
    if (!p.atEnd())
        badStatement();
    return s;
}

} // namespace vellumo
