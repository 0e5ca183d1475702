#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class TDataSet;

// The species text file of a locality: a semicolon-separated file that spreadsheets and other
// programs read. With a locality chosen it lists the distinct species recorded there:
//
//     Název latinsky;Název česky
//     <locality>;<number of species>
//     <Latin name>;<Czech name>            one line per species
//
// with no locality chosen every distinct locality/species pair of the card index:
//
//     Název latinsky;Název česky;Název lokality
//     <number of lines>;;
//     <Latin name>;<Czech name>;<locality>
//
// Lines end with CR LF; there is no byte-order mark. A field holding ";", a double quote or a
// line break is written in double quotes with its quotes doubled, so that it stays one field;
// every other field is written as it is.
class SpeciesTextFile {
public:
    // The character sets of the file, as the "Kodovani" setting numbers them.
    enum Encoding { Utf8 = 0, Windows1250 = 1, Iso88592 = 2 };

    // `text` in the bytes of `encoding` (an unknown number is taken as Windows-1250). ISO-8859-2
    // is Windows-1250 with the fifteen letters recoded that sit elsewhere there; the Windows
    // punctuation ISO-8859-2 lacks is kept as it is. A character Windows-1250 cannot hold (the
    // tables never hold one) becomes "?".
    static QByteArray encode(const QString& text, int encoding);
    // `value` as one field of a line (see above).
    static QString field(const QString& value);
    // The statement of the species of `locality` (all pairs when it is empty), by Latin name
    // when `byLatinName`, else by Czech name.
    static QStringList statement(const QString& locality, bool byLatinName);

    // Writes the file `path` from the open result `rows` (fields Lk, Nla, Nce) from its first
    // row: the locality form when `locality` is not empty. An existing file is replaced; its
    // directory must exist. Returns the number of data lines written, or -1 when the file
    // could not be created or written; the lines written before a failure stay in the file.
    static int write(const QString& path, TDataSet& rows, const QString& locality, int encoding);
};
