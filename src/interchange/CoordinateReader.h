#pragma once

#include <QString>
#include <optional>

namespace interchange {

// A point in decimal degrees, WGS 84: latitude north positive, longitude east positive.
struct Coordinates {
    double latitude = 0;
    double longitude = 0;
};

// Reads the free-text GPS field of a card as people type it:
// - decimal degrees with "." or "," ("49.1234, 16.5678", "49,1234 16,5678");
// - degrees and minutes, or degrees, minutes and seconds, with or without the signs °, ′/',
//   ″/" (also the look-alikes º, ˚, ’, ´, ”, '') or as bare numbers ("49 12 34.5 16 34 56");
// - hemisphere letters N/S/E/W before or after each coordinate ("N 49°12.345' E 16°34.567'"),
//   the Czech "s. š.", "j. š.", "v. d.", "z. d." (also without dots), and the Czech initials
//   S/J/V/Z when V, Z or J shows that they are meant;
// - latitude and longitude in either order when letters say which is which, else latitude
//   first; a minus sign for south and west.
// Words around the numbers ("GPS", "WGS 84", "cca") and anything in brackets are ignored.
class CoordinateReader {
public:
    // The point, or nothing when the text cannot be read unambiguously, a minute or second is
    // 60 or more, the point lies outside -90..90 / -180..180, or it is exactly 0, 0 (a
    // placeholder, never a finding).
    static std::optional<Coordinates> read(const QString& text);
    // A coordinate as exported: up to six decimals, no trailing zeros ("49.103333").
    static QString format(double degrees);
};

}  // namespace interchange
