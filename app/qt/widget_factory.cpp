#include "app/qt/widget_factory.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QPixmap>
#include <cstdint>

namespace app::qt {

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) { return text.toStdU16String(); }

namespace {

// Looked up in the list of installed families rather than with QFontDatabase::hasFamily,
// which first asks fontconfig to resolve the name as an alias: for a family that is not
// installed that is a full font match, and it cost more than the rest of start-up together.
bool IsInstalled(const QString& family) {
    static const QStringList installed = QFontDatabase::families();
    return installed.contains(family, Qt::CaseInsensitive);
}

}  // namespace

// The named family where it is installed, else the fallback: decided once here, rather
// than leaving Qt to search every substitute for a missing family each time a font is
// matched.
QFont FontFor(const FontSpec& definition) {
    QFont font;
    const QString family = ToQString(definition.family);
    font.setFamily(IsInstalled(family) ? family : ToQString(definition.fallback));
    font.setPointSize(definition.points);
    font.setWeight(static_cast<QFont::Weight>(definition.weight));
    return font;
}

// The icons are compiled in as their pixels, which an image uses where they lie: loading an
// image file goes through QImageReader, whose search of the image format plugins cost more
// than a tenth of start-up, and reading XPM text brings in the C library's scanf.
namespace {
#include "app/resources/license-16.pixels.h"
#include "app/resources/license-32.pixels.h"
#include "app/resources/vantrel-16.pixels.h"
#include "app/resources/vantrel-32.pixels.h"

template <std::size_t N>
QPixmap PixmapOf(const std::uint32_t (&pixels)[N]) {
    static_assert(N == 16 * 16 || N == 32 * 32, "an icon is 16 or 32 pixels square");
    const int side = N == 16 * 16 ? 16 : 32;
    return QPixmap::fromImage(QImage(reinterpret_cast<const uchar*>(pixels), side, side,
                                     QImage::Format_ARGB32_Premultiplied));
}

template <std::size_t Large, std::size_t Small>
QIcon IconOf(const std::uint32_t (&large)[Large], const std::uint32_t (&small)[Small]) {
    QIcon icon;
    icon.addPixmap(PixmapOf(large));
    icon.addPixmap(PixmapOf(small));
    return icon;
}
}  // namespace

void UseFormFont() { QApplication::setFont(FontFor(kDefaultFont)); }

QIcon ProgramIcon() { return IconOf(vantrel_32, vantrel_16); }

QIcon LicenseIcon() { return IconOf(license_32, license_16); }

}  // namespace app::qt
