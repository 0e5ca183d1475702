#include "CoordinateReader.h"

#include <QRegularExpression>
#include <QVector>
#include <cmath>

namespace interchange {
namespace {

// One piece of the text: a number (with the sign and the unit written after it), a
// hemisphere letter, or a separator (",", ";", "/").
struct Token {
    enum Kind { Number, Hemisphere, Separator };
    explicit Token(Kind k) : kind(k) {}
    Kind kind;
    double value = 0;
    bool fraction = false;
    bool negative = false;
    int unit = 0;  // 0 none, 1 degrees, 2 minutes, 3 seconds
    QChar letter;  // N, S, E or W
};

// Rewrites the spellings into a few plain symbols: ° ' " and the letters N S E W.
QString normalised(QString s) {
    static const QRegularExpression brackets(QStringLiteral("\\([^)]*\\)|\\[[^\\]]*\\]"));
    static const QRegularExpression datum(QStringLiteral("wgs\\s*-?\\s*84"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression latitude(QStringLiteral("(?<!\\p{L})([sj])\\s*\\.?\\s*š\\s*\\.?(?!\\p{L})"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression longitude(QStringLiteral("(?<!\\p{L})([vz])\\s*\\.?\\s*d\\s*\\.?(?!\\p{L})"),
                                              QRegularExpression::CaseInsensitiveOption);
    s.remove(brackets);
    s.remove(datum);
    // The Czech abbreviations: severní/jižní šířka, východní/západní délka.
    auto replace = [](QString text, const QRegularExpression& re, QChar first, QChar letterA, QChar letterB) {
        QString result;
        qsizetype last = 0;
        for (auto it = re.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            result += text.mid(last, m.capturedStart() - last);
            result += QLatin1Char(' ');
            result += m.captured(1).at(0).toLower() == first ? letterA : letterB;
            result += QLatin1Char(' ');
            last = m.capturedEnd();
        }
        return result + text.mid(last);
    };
    s = replace(s, latitude, QLatin1Char('s'), QLatin1Char('N'), QLatin1Char('S'));
    s = replace(s, longitude, QLatin1Char('v'), QLatin1Char('E'), QLatin1Char('W'));
    s.replace(QStringLiteral("''"), QStringLiteral("\""));
    for (QChar& c : s) {
        switch (c.unicode()) {
            case u'º':
            case u'˚':
                c = u'°';
                break;
            case u'′':
            case u'’':
            case u'‘':
            case u'´':
            case u'`':
                c = u'\'';
                break;
            case u'″':
            case u'”':
            case u'“':
            case u'„':
                c = u'"';
                break;
            case u'−':
            case u'–':
                c = u'-';
                break;
            default:
                break;
        }
    }
    return s;
}

// Splits the normalised text into tokens; false when it holds something that cannot belong to
// coordinates (a unit without a number, a sign in the middle of a number).
bool tokenize(const QString& s, QVector<Token>& tokens, QString& letters) {
    qsizetype i = 0;
    bool pendingSign = false;
    while (i < s.size()) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c.isDigit()) {
            qsizetype j = i;
            while (j < s.size() && s.at(j).isDigit()) ++j;
            bool fraction = false;
            if (j + 1 < s.size() && (s.at(j) == u'.' || s.at(j) == u',') && s.at(j + 1).isDigit()) {
                fraction = true;
                ++j;
                while (j < s.size() && s.at(j).isDigit()) ++j;
            }
            Token t(Token::Number);
            t.value = s.mid(i, j - i).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
            t.fraction = fraction;
            t.negative = pendingSign;
            pendingSign = false;
            tokens.append(t);
            i = j;
        } else if (c == u'-' || c == u'+') {
            // A sign belongs to the number right after it, and only where a coordinate starts.
            if (i + 1 >= s.size() || !s.at(i + 1).isDigit()) return false;
            if (!tokens.isEmpty() && tokens.last().kind == Token::Number && tokens.last().unit == 0 &&
                !s.at(i - 1).isSpace()) {
                return false;
            }
            pendingSign = c == u'-';
            ++i;
        } else if (c == u'°' || c == u'\'' || c == u'"') {
            if (tokens.isEmpty() || tokens.last().kind != Token::Number || tokens.last().unit != 0) return false;
            tokens.last().unit = c == u'°' ? 1 : c == u'\'' ? 2 : 3;
            ++i;
        } else if (c.isLetter()) {
            qsizetype j = i;
            while (j < s.size() && s.at(j).isLetter()) ++j;
            if (j - i == 1) {
                Token t(Token::Hemisphere);
                t.letter = c.toUpper();
                tokens.append(t);
                letters += t.letter;
            }
            // Longer words are notes around the coordinates.
            i = j;
        } else if (c == u',' || c == u';' || c == u'/' || c == u'|') {
            tokens.append(Token(Token::Separator));
            ++i;
        } else if (c == u'.' || c == u':' || c == u'=') {
            ++i;  // "N: 49.1", "lat=49.1", a full stop after a letter
        } else {
            return false;
        }
    }
    return true;
}

// Degrees of one coordinate from its numbers: degrees, minutes and seconds by their signs or,
// without signs, by their order. Only the last number may have a fraction; minutes and seconds
// stay below 60; only the first may carry a minus.
std::optional<double> degrees(const QVector<Token>& numbers) {
    if (numbers.isEmpty() || numbers.size() > 3) return std::nullopt;
    double value = 0;
    int position = 0;
    for (int k = 0; k < numbers.size(); ++k) {
        const Token& t = numbers[k];
        const int unit = t.unit ? t.unit : position + 1;
        if (unit <= position || unit > 3) return std::nullopt;
        if (k + 1 < numbers.size() && t.fraction) return std::nullopt;
        if (k > 0 && t.negative) return std::nullopt;
        if (unit > 1 && t.value >= 60) return std::nullopt;
        value += t.value / std::pow(60.0, unit - 1);
        position = unit;
    }
    return numbers.first().negative ? -value : value;
}

struct Part {
    QVector<Token> numbers;
    QChar letter;  // empty when no hemisphere letter belongs to it
};

// Two coordinates with a letter before each ("N 49.1 E 16.2") or after each ("49.1N 16.2E").
std::optional<std::pair<Part, Part>> splitByLetters(const QVector<Token>& tokens, bool lettersFirst) {
    QVector<Part> parts;
    Part current;
    bool open = false;
    for (const Token& t : tokens) {
        if (t.kind == Token::Separator) continue;
        if (t.kind == Token::Hemisphere) {
            if (lettersFirst) {
                if (open) parts.append(current);
                current = Part{{}, t.letter};
                open = true;
            } else {
                current.letter = t.letter;
                parts.append(current);
                current = Part{};
            }
        } else {
            if (lettersFirst && !open) return std::nullopt;
            current.numbers.append(t);
        }
    }
    if (lettersFirst && open) parts.append(current);
    if (!lettersFirst && !current.numbers.isEmpty()) return std::nullopt;
    if (parts.size() != 2 || parts[0].numbers.isEmpty() || parts[1].numbers.isEmpty()) return std::nullopt;
    return std::make_pair(parts[0], parts[1]);
}

// Two coordinates without letters (or with one): split at a separator between numbers, else
// where a second degree sign starts, else in the middle of 2, 4 or 6 bare numbers.
std::optional<std::pair<Part, Part>> splitWithoutLetters(const QVector<Token>& tokens) {
    QVector<Token> numbers;
    QVector<int> separatorsBefore;  // count of numbers before each separator
    QChar letter;
    int letterAfter = -1;  // count of numbers before the one letter
    for (const Token& t : tokens) {
        if (t.kind == Token::Number) numbers.append(t);
        if (t.kind == Token::Separator) separatorsBefore.append(int(numbers.size()));
        if (t.kind == Token::Hemisphere) {
            letter = t.letter;
            letterAfter = int(numbers.size());
        }
    }
    int split = -1;
    QVector<int> inner;
    for (int n : separatorsBefore) {
        if (n > 0 && n < numbers.size() && !inner.contains(n)) inner.append(n);
    }
    if (inner.size() == 1) {
        split = inner.first();
    } else if (inner.isEmpty()) {
        for (int k = 1; k < numbers.size() && split < 0; ++k) {
            if (numbers[k].unit == 1) split = k;
        }
        if (split < 0 && (numbers.size() == 2 || numbers.size() == 4 || numbers.size() == 6)) {
            bool bare = true;
            for (const Token& t : numbers) bare = bare && t.unit == 0;
            if (bare) split = int(numbers.size() / 2);
        }
    }
    if (split <= 0 || split >= numbers.size()) return std::nullopt;
    Part first{numbers.mid(0, split), {}};
    Part second{numbers.mid(split), {}};
    // A single letter belongs to the coordinate it stands next to.
    if (!letter.isNull()) {
        if (letterAfter <= split) {
            first.letter = letter;
        } else {
            second.letter = letter;
        }
    }
    return std::make_pair(first, second);
}

bool isLatitudeLetter(QChar c) {
    return c == u'N' || c == u'S';
}

}  // namespace

std::optional<Coordinates> CoordinateReader::read(const QString& text) {
    QVector<Token> tokens;
    QString letters;
    if (!tokenize(normalised(text), tokens, letters)) return std::nullopt;
    // Czech initials (sever, jih, východ, západ) when a V, Z or J shows them.
    if (letters.contains(u'V') || letters.contains(u'Z') || letters.contains(u'J')) {
        for (Token& t : tokens) {
            if (t.kind != Token::Hemisphere) continue;
            switch (t.letter.unicode()) {
                case u'S':
                    t.letter = u'N';
                    break;
                case u'J':
                    t.letter = u'S';
                    break;
                case u'V':
                    t.letter = u'E';
                    break;
                case u'Z':
                    t.letter = u'W';
                    break;
                default:
                    return std::nullopt;
            }
        }
    }
    for (const Token& t : tokens) {
        if (t.kind == Token::Hemisphere && QStringLiteral("NSEW").indexOf(t.letter) < 0) return std::nullopt;
    }

    std::optional<std::pair<Part, Part>> parts;
    const qsizetype letterCount =
        std::count_if(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind == Token::Hemisphere; });
    if (letterCount == 2) {
        parts = splitByLetters(tokens, true);
        if (!parts) parts = splitByLetters(tokens, false);
    } else if (letterCount < 2) {
        parts = splitWithoutLetters(tokens);
    }
    if (!parts) return std::nullopt;

    Part lat = parts->first;
    Part lon = parts->second;
    const QChar a = lat.letter, b = lon.letter;
    if (!a.isNull() && !b.isNull() && isLatitudeLetter(a) == isLatitudeLetter(b)) return std::nullopt;
    // The letters say which is which; without them latitude comes first.
    if ((!a.isNull() && !isLatitudeLetter(a)) || (!b.isNull() && isLatitudeLetter(b))) std::swap(lat, lon);

    std::optional<double> y = degrees(lat.numbers);
    std::optional<double> x = degrees(lon.numbers);
    if (!y || !x) return std::nullopt;
    for (const auto& [part, value] :
         {std::pair<const Part&, double&>(lat, *y), std::pair<const Part&, double&>(lon, *x)}) {
        if (part.letter == u'S' || part.letter == u'W') {
            if (value < 0) return std::nullopt;  // a minus and a southern or western letter at once
            value = -value;
        }
    }
    if (std::abs(*y) > 90 || std::abs(*x) > 180 || (*y == 0 && *x == 0)) return std::nullopt;
    return Coordinates{*y, *x};
}

QString CoordinateReader::format(double degrees) {
    QString s = QString::number(degrees, 'f', 6);
    while (s.endsWith(QLatin1Char('0'))) s.chop(1);
    if (s.endsWith(QLatin1Char('.'))) s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

}  // namespace interchange
