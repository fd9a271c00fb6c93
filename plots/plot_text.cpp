#include "plots/plot_text.h"

namespace tavrel::plots {

QFont PlotFont(bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    font.setBold(bold);
    return font;
}

QString DrawnText(const std::string& text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (QChar& c : shown) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\n' || u == u'\r') {
            c = QLatin1Char(' ');
        } else if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0xfffe || u == 0xffff) {
            c = QChar(QChar::ReplacementCharacter);
        }
    }
    return shown;
}

} // namespace tavrel::plots
