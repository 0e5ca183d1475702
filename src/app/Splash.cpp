#include "Splash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

TSplashForm::TSplashForm() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setFixedSize(312, 313);
    setCursor(Qt::WaitCursor);
    if (const QScreen* s = QGuiApplication::primaryScreen()) move(s->geometry().center() - rect().center());
}

void TSplashForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(236, 233, 216));
    // The framed picture: a stylised cap and stem of a mushroom.
    const QRect frame(16, 16, width() - 32, height() - 32);
    p.setPen(QPen(QColor(90, 70, 50), 3));
    p.drawRect(frame);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 90, 40));
    p.drawChord(QRect(86, 70, 140, 110), 0, 180 * 16);
    p.setBrush(QColor(240, 225, 190));
    p.drawRoundedRect(QRect(138, 124, 36, 80), 12, 12);
    // The name over its grey copy shifted by 3 pixels right and down.
    QFont font(QStringLiteral("Arial CE"));
    font.setPixelSize(40);
    font.setBold(true);
    p.setFont(font);
    const QRect textRect(0, 215, width(), 60);
    p.setPen(QColor(180, 180, 180));
    p.drawText(textRect.translated(3, 3), Qt::AlignCenter, QStringLiteral("Lamelin"));
    p.setPen(QColor(40, 40, 40));
    p.drawText(textRect, Qt::AlignCenter, QStringLiteral("Lamelin"));
}
