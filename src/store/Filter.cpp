#include "store/Filter.h"
#include "base/Text.h"

#include "store/Record.h"

#include <map>
#include <mutex>

namespace tabulo::store {

namespace {

std::mutex s_bindingsMutex;
std::map<QString, std::function<QVariant()>> &bindings()
{
    static std::map<QString, std::function<QVariant()>> table;
    return table;
}

bool isNumber(const QVariant &v, qint64 *out)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::Char:
        *out = v.toLongLong();
        return true;
    case QMetaType::Double:
        *out = static_cast<qint64>(v.toDouble());
        return true;
    default:
        return false;
    }
}

struct Token
{
    enum Kind { End, Name, Number, String, Op, LParen, RParen } kind = End;
    QString text;
    int at = 0;
};

} // namespace

void bindGlobal(const QString &name, std::function<QVariant()> value)
{
    std::lock_guard lock(s_bindingsMutex);
    bindings()[name.toLower()] = std::move(value);
}

void unbindGlobal(const QString &name)
{
    std::lock_guard lock(s_bindingsMutex);
    bindings().erase(name.toLower());
}

std::function<QVariant()> globalBinding(const QString &name)
{
    std::lock_guard lock(s_bindingsMutex);
    auto it = bindings().find(name.toLower());
    return it == bindings().end() ? nullptr : it->second;
}

struct Filter::Node
{
    enum Kind { Or, And, Not, Compare, Column, Value } kind = Value;
    QString op;
    std::unique_ptr<Node> a;
    std::unique_ptr<Node> b;
    int field = -1;
    std::function<QVariant()> value;
};

namespace {

class Parser
{
public:
    Parser(const QString &text, const Filter::Scope &scope)
        : m_text(text)
        , m_scope(scope)
    {
        advance();
    }

    std::unique_ptr<Filter::Node> parse(QString *error, bool *perRow,
                                        std::vector<std::function<QVariant()>> *outside)
    {
        auto node = parseOr();
        if (m_error.isEmpty() && m_token.kind != Token::End)
            fail(QStringLiteral("unexpected '%1'").arg(m_token.text));
        if (!m_error.isEmpty()) {
            if (error)
                *error = m_error;
            return nullptr;
        }
        *perRow = m_perRow;
        *outside = std::move(m_outside);
        return node;
    }

private:
    using Node = Filter::Node;

    void fail(const QString &what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("Filter error at position %1: %2").arg(m_token.at + 1).arg(what);
    }

    void advance()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
        m_token = Token{};
        m_token.at = static_cast<int>(m_pos);
        if (m_pos >= m_text.size())
            return;
        const QChar c = m_text[m_pos];
        if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            m_token.kind = c == QLatin1Char('(') ? Token::LParen : Token::RParen;
            m_token.text = c;
            ++m_pos;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            m_token.kind = Token::String;
            ++m_pos;
            while (m_pos < m_text.size()) {
                if (m_text[m_pos] == c) {
                    if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == c) {
                        m_token.text += c;
                        m_pos += 2;
                        continue;
                    }
                    break;
                }
                m_token.text += m_text[m_pos++];
            }
            if (m_pos >= m_text.size())
                fail(QStringLiteral("unterminated text"));
            ++m_pos;
        } else if (c.isDigit() || (c == QLatin1Char('-') && m_pos + 1 < m_text.size() && m_text[m_pos + 1].isDigit()
                                   && m_lastWasOperator)) {
            m_token.kind = Token::Number;
            m_token.text += m_text[m_pos++];
            while (m_pos < m_text.size() && m_text[m_pos].isDigit())
                m_token.text += m_text[m_pos++];
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            m_token.kind = Token::Name;
            while (m_pos < m_text.size()
                   && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == QLatin1Char('_')
                       || m_text[m_pos] == QLatin1Char(':')))
                m_token.text += m_text[m_pos++];
        } else {
            static const char *ops[] = {"<>", "<=", ">=", "~=", "=", "<", ">"};
            for (const char *op : ops) {
                const QString o = QString::fromLatin1(op);
                if (m_text.mid(m_pos, o.size()) == o) {
                    m_token.kind = Token::Op;
                    m_token.text = o;
                    m_pos += o.size();
                    break;
                }
            }
            if (m_token.kind == Token::End) {
                m_token.text = c;
                fail(QStringLiteral("unexpected '%1'").arg(c));
                m_pos = m_text.size();
            }
        }
        m_lastWasOperator = m_token.kind == Token::Op || m_token.kind == Token::LParen
                            || (m_token.kind == Token::Name && isKeyword(m_token.text));
    }

    static bool isKeyword(const QString &s)
    {
        return s.compare(QStringLiteral("AND"), Qt::CaseInsensitive) == 0
               || s.compare(QStringLiteral("OR"), Qt::CaseInsensitive) == 0
               || s.compare(QStringLiteral("NOT"), Qt::CaseInsensitive) == 0;
    }

    bool atKeyword(const char *word) const
    {
        return m_token.kind == Token::Name && m_token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    std::unique_ptr<Node> binary(Node::Kind kind, std::unique_ptr<Node> a, std::unique_ptr<Node> b)
    {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->a = std::move(a);
        n->b = std::move(b);
        return n;
    }

    // Parentheses and NOTs nest at most this deep: deeper input is refused
    // rather than allowed to exhaust the stack.
    static constexpr int kMaxNesting = 100;
    bool tooDeep()
    {
        if (m_nesting < kMaxNesting)
            return false;
        fail(QStringLiteral("nested too deeply"));
        return true;
    }
    struct Nesting
    {
        int &depth;
        explicit Nesting(int &d) : depth(d) { ++depth; }
        ~Nesting() { --depth; }
    };

    std::unique_ptr<Node> parseOr()
    {
        auto left = parseAnd();
        while (m_error.isEmpty() && atKeyword("OR")) {
            advance();
            left = binary(Node::Or, std::move(left), parseAnd());
        }
        return left;
    }

    std::unique_ptr<Node> parseAnd()
    {
        auto left = parseNot();
        while (m_error.isEmpty() && atKeyword("AND")) {
            advance();
            left = binary(Node::And, std::move(left), parseNot());
        }
        return left;
    }

    std::unique_ptr<Node> parseNot()
    {
        if (atKeyword("NOT")) {
            if (tooDeep())
                return nullptr;
            const Nesting nested(m_nesting);
            advance();
            auto n = std::make_unique<Node>();
            n->kind = Node::Not;
            n->a = parseNot();
            return n;
        }
        return parseCompare();
    }

    std::unique_ptr<Node> parseCompare()
    {
        auto left = parsePrimary();
        if (m_error.isEmpty() && m_token.kind == Token::Op) {
            QString op = m_token.text == QStringLiteral("~=") ? QStringLiteral("<>") : m_token.text;
            advance();
            auto n = binary(Node::Compare, std::move(left), parsePrimary());
            n->op = op;
            return n;
        }
        // A bare value is true when not zero or blank.
        if (left && left->kind != Node::Compare && left->kind != Node::And && left->kind != Node::Or
            && left->kind != Node::Not) {
            auto zero = std::make_unique<Node>();
            zero->value = [] { return QVariant(qint64(0)); };
            auto n = binary(Node::Compare, std::move(left), std::move(zero));
            n->op = QStringLiteral("<>");
            return n;
        }
        return left;
    }

    std::unique_ptr<Node> parsePrimary()
    {
        auto n = std::make_unique<Node>();
        switch (m_token.kind) {
        case Token::LParen: {
            if (tooDeep())
                return nullptr;
            const Nesting nested(m_nesting);
            advance();
            auto inner = parseOr();
            if (m_token.kind != Token::RParen)
                fail(QStringLiteral("missing ')'"));
            advance();
            return inner;
        }
        case Token::Number: {
            const QVariant v(m_token.text.toLongLong());
            n->value = [v] { return v; };
            advance();
            return n;
        }
        case Token::String: {
            const QVariant v(m_token.text);
            n->value = [v] { return v; };
            advance();
            return n;
        }
        case Token::Name:
            if (!isKeyword(m_token.text)) {
                resolve(m_token.text, *n);
                advance();
                return n;
            }
            [[fallthrough]];
        default:
            fail(m_token.kind == Token::End ? QStringLiteral("the expression ends too early")
                                            : QStringLiteral("unexpected '%1'").arg(m_token.text));
            return nullptr;
        }
    }

    void resolve(const QString &name, Node &n)
    {
        if (m_scope.local) {
            if (auto v = m_scope.local(name)) {
                n.value = std::move(v);
                m_outside.push_back(n.value);
                return;
            }
        }
        if (auto v = globalBinding(name)) {
            n.value = std::move(v);
            m_outside.push_back(n.value);
            return;
        }
        const Dictionary::FieldRef ref = Dictionary::instance().findField(name);
        if (!ref) {
            fail(QStringLiteral("unknown name %1").arg(name));
            return;
        }
        if (ref.table == m_scope.table) {
            n.kind = Node::Column;
            n.field = ref.field;
            return;
        }
        bool rowValue = false;
        for (const TableDef *t : m_scope.perRow) {
            if (t == ref.table)
                rowValue = true;
        }
        m_perRow = m_perRow || rowValue;
        auto recordOf = m_scope.recordOf;
        const TableDef *table = ref.table;
        const int field = ref.field;
        if (!recordOf) {
            fail(QStringLiteral("no record buffer for %1").arg(name));
            return;
        }
        n.value = [recordOf, table, field] {
            const Record *r = recordOf(*table);
            return r ? r->value(field) : QVariant();
        };
        if (!rowValue)
            m_outside.push_back(n.value);
    }

    QString m_text;
    const Filter::Scope &m_scope;
    qsizetype m_pos = 0;
    Token m_token;
    QString m_error;
    int m_nesting = 0;
    bool m_perRow = false;
    std::vector<std::function<QVariant()>> m_outside;
    bool m_lastWasOperator = true;
};

void bindVariant(sql::Statement &stmt, int index, const QVariant &v)
{
    qint64 n = 0;
    if (isNumber(v, &n))
        stmt.bind(index, n);
    else
        stmt.bind(index, base::withoutTrailingBlanks(v.toString()).toStdString());
}

int compareValues(const QVariant &a, const QVariant &b)
{
    qint64 x = 0;
    qint64 y = 0;
    const bool an = isNumber(a, &x);
    const bool bn = isNumber(b, &y);
    if (an && bn)
        return x < y ? -1 : (x > y ? 1 : 0);
    if (an != bn) {
        // Compare a number with text as numbers when the text is one.
        bool ok = false;
        const qint64 t = (an ? b : a).toString().trimmed().toLongLong(&ok);
        if (ok) {
            const qint64 l = an ? x : t;
            const qint64 r = an ? t : y;
            return l < r ? -1 : (l > r ? 1 : 0);
        }
    }
    return base::withoutTrailingBlanks(a.toString()).compare(base::withoutTrailingBlanks(b.toString()));
}

} // namespace

Filter::Filter() = default;
Filter::~Filter() = default;
Filter::Filter(Filter &&) noexcept = default;
Filter &Filter::operator=(Filter &&) noexcept = default;

Filter Filter::compile(const QString &expression, const Scope &scope, QString *error)
{
    Filter f;
    if (expression.trimmed().isEmpty())
        return f;
    Parser parser(expression, scope);
    bool perRow = false;
    f.m_root = parser.parse(error, &perRow, &f.m_outside);
    if (!f.m_root)
        return f;
    f.m_inSql = !perRow;
    if (f.m_inSql) {
        const TableDef *table = scope.table;
        std::function<void(const Node &)> writeSql = [&](const Node &n) {
            switch (n.kind) {
            case Node::Or:
            case Node::And:
                f.m_sql += "(";
                writeSql(*n.a);
                f.m_sql += n.kind == Node::Or ? " OR " : " AND ";
                writeSql(*n.b);
                f.m_sql += ")";
                break;
            case Node::Not:
                f.m_sql += "(NOT ";
                writeSql(*n.a);
                f.m_sql += ")";
                break;
            case Node::Compare:
                f.m_sql += "(";
                writeSql(*n.a);
                f.m_sql += n.op.toStdString();
                writeSql(*n.b);
                f.m_sql += ")";
                break;
            case Node::Column:
                f.m_sql += "f_" + table->fields[static_cast<size_t>(n.field)].name.toStdString();
                break;
            case Node::Value:
                f.m_sql += "?";
                f.m_params.push_back(n.value);
                break;
            }
        };
        writeSql(*f.m_root);
    }
    return f;
}

int Filter::bind(sql::Statement &stmt, int first) const
{
    for (const auto &param : m_params)
        bindVariant(stmt, first++, param());
    return first;
}

std::vector<QVariant> Filter::currentValues() const
{
    std::vector<QVariant> values;
    values.reserve(m_outside.size());
    for (const auto &value : m_outside)
        values.push_back(value());
    return values;
}

bool Filter::accepts(const Record &row) const
{
    if (!m_root)
        return true;
    std::function<QVariant(const Node &)> value = [&](const Node &n) -> QVariant {
        if (n.kind == Node::Column)
            return row.value(n.field);
        return n.value ? n.value() : QVariant();
    };
    std::function<bool(const Node &)> test = [&](const Node &n) -> bool {
        switch (n.kind) {
        case Node::Or:
            return test(*n.a) || test(*n.b);
        case Node::And:
            return test(*n.a) && test(*n.b);
        case Node::Not:
            return !test(*n.a);
        case Node::Compare: {
            const int c = compareValues(value(*n.a), value(*n.b));
            if (n.op == QStringLiteral("="))
                return c == 0;
            if (n.op == QStringLiteral("<>"))
                return c != 0;
            if (n.op == QStringLiteral("<"))
                return c < 0;
            if (n.op == QStringLiteral(">"))
                return c > 0;
            if (n.op == QStringLiteral("<="))
                return c <= 0;
            return c >= 0;
        }
        default:
            return compareValues(value(n), QVariant(qint64(0))) != 0;
        }
    };
    return test(*m_root);
}

} // namespace tabulo::store
