// Renders the icon set and the message box form for a few kinds to PNG files, so that a person
// can look at them: msgbox_gallery <output directory>. On the offscreen platform the client area is
// drawn under a plain title bar; on X11 the boxes are also shot as the window manager frames them.
#include "ErrorReport.h"
#include "Icons.h"
#include "MessageState.h"
#include "DisplayMetricsQt.h"
#include "MsgBoxForm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QFont>
#include <QPainter>
#include <QStyle>

#include <cstdio>
#include <vector>

namespace {

struct IconEntry {
    int number;
    const char* name;
};

const std::vector<IconEntry> kIcons{
    {0, "design"},      {1, "program"},     {2, "link"},         {3, "link grey"},
    {4, "main"},        {5, "main grey"},   {8, "refusal"},      {9, "warning"},
    {10, "question"},   {12, "link L"},     {13, "link grey L"}, {14, "main L"},
    {15, "main grey L"},
};

// One row per icon: 16, 32 and 64 px as rendered, then 16 px blown up 4x to show its pixels,
// on a light and on a dark background.
QImage contactSheet() {
    const int rowH = 76, cellW = 80, labelW = 90, cols = 8;
    QImage sheet(labelW + cols * cellW, 20 + rowH * int(kIcons.size()), QImage::Format_ARGB32);
    sheet.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&sheet);
    p.setFont(QFont(QApplication::font().family(), 9));
    const char* headers[] = {"16", "32", "64", "16 x4", "16", "32", "64", "16 x4"};
    for (int c = 0; c < cols; ++c)
        p.drawText(labelW + c * cellW + 4, 14, QString::fromLatin1(headers[c]));
    p.fillRect(labelW + 4 * cellW, 20, 4 * cellW, rowH * int(kIcons.size()), QColor(0x30, 0x30, 0x38));
    int y = 20;
    for (const auto& e : kIcons) {
        p.setPen(Qt::black);
        p.drawText(4, y + 20, QString::number(e.number) + QLatin1String(" ") + QLatin1String(e.name));
        for (int half = 0; half < 2; ++half) {
            const int x0 = labelW + half * 4 * cellW;
            int c = 0;
            for (int size : {16, 32, 64})
                p.drawPixmap(x0 + (c++) * cellW + 4, y + 4, kivra::kivraPixmap(e.number, size));
            const QImage small = kivra::kivraPixmap(e.number, 16).toImage();
            p.drawImage(QRect(x0 + 3 * cellW + 4, y + 4, 64, 64), small);
        }
        y += rowH;
    }
    return sheet;
}

const QString kCrLf = QStringLiteral("\r\n");

struct FormShot {
    int kind;
    const char* file;
    QString text;
    QString caption;
};

std::vector<FormShot> formShots() {
    const auto report53 = kivra::formatErrorReport(53, "No such file or directory");
    const auto report5 = kivra::formatErrorReport(5, "Input/output error while reading the settings file");
    return {
        {3, "kind03-welcome",
         QStringLiteral("Welcome to Kivra!") + kCrLf +
             QStringLiteral("Left-click the Kivra Main Form to show the controls,") + kCrLf +
             QStringLiteral("or left-click within any frame of the Main Form") + kCrLf +
             QStringLiteral("for context-sensitive help."),
         {}},
        {12, "kind12-error53", QString::fromStdString(report53.body), QString::fromStdString(report53.caption)},
        {12, "kind12-error-other", QString::fromStdString(report5.body), QString::fromStdString(report5.caption)},
        {23, "kind23-exit",
         QStringLiteral("Exiting the Kivra Main Application will also") + kCrLf +
             QStringLiteral("terminate any active Kivra Host Window Links.") + kCrLf +
             QStringLiteral("            Continue Exiting Kivra Main?"),
         {}},
        {28, "kind28-resources",
         QStringLiteral("You've reached the maximum number concurrent KVA Links recommended for physical "
                        "memory in your system.  Check for Low System Resources!"),
         {}},
        {1, "kind01-about",
         QStringLiteral("               kivra Version 2.00.006") + kCrLf + kivra::rightsNotice(), {}},
        {36, "kind36-support", {}, {}},
        {10, "kind10-picture",
         QStringLiteral("Cannot load Picture file because either it is not a picture file format"
                        " supported by Qbase 5.0, or you tried to load a non-picture type file.  Pick"
                        " another picture file format or avoid loading non-picture type files."),
         {}},
        {20, "kind20-path",
         QStringLiteral("/home/someone/Pictures/Wallpapers/Mountai") + kCrLf +
             QStringLiteral("ns/WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW") + kCrLf +
             QStringLiteral("iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii") + kCrLf + QStringLiteral("autumn-lake.jpg"),
         {}},
        {26, "kind26-deactivate", {}, {}},
        {29, "kind29-fuzzy", {}, {}},
        {14, "kind14-maxlinks",
         QStringLiteral("Can't add another Host Link because the maximum") + kCrLf +
             QStringLiteral("number possible 32767 exist already.  You must") + kCrLf +
             QStringLiteral("delete Host Link(s) before you can add any more."),
         {}},
        {16, "kind16-duplicate",
         QStringLiteral("Title already on List.  To create Multiple Links for this Host, use [Edit] to "
                        "shorten matching Link's Title and to set its Fuzzy option ON, then [Add>]. "),
         {}},
    };
}

// The form as the window manager would frame it: a title bar with the caption above the client.
QImage renderForm(const FormShot& shot) {
    kivra::MessageState& s = kivra::messages();
    s.pendingKind = shot.kind;
    s.pendingText = shot.text;
    s.pendingCaption = shot.caption;
    s.versionText = QStringLiteral("2.00");
    kivra::MsgBoxForm form(nullptr);
    form.show();
    QApplication::processEvents();
    const QPixmap client = form.grab();
    const int bar = 22;
    QImage image(client.width() + 6, client.height() + bar + 3, QImage::Format_ARGB32);
    image.fill(QColor(0x2E, 0x4A, 0x7A));
    QPainter p(&image);
    p.setPen(Qt::white);
    QFont f = QApplication::font();
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(8, 0, image.width() - 10, bar), Qt::AlignVCenter | Qt::AlignLeft, form.windowTitle());
    p.drawPixmap(3, bar, client);
    p.end();
    form.done(6);
    return image;
}

void waitFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// On a real display: an owner window and the box centred on it, as the window manager frames them.
QImage screenShot(const FormShot& shot) {
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("Kivra [Main]"));
    owner.setGeometry(60, 60, 440, 260);
    owner.show();
    QElapsedTimer t;
    t.start();
    while (!kivra::noteWindowFrame(&owner) && t.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    kivra::MessageState& s = kivra::messages();
    s.pendingKind = shot.kind;
    s.pendingText = shot.text;
    s.pendingCaption = shot.caption;
    kivra::MsgBoxForm form(&owner, kivra::MsgBoxPlacement::fromOwner(&owner));
    form.show();
    waitFor(300);
    const QRect area = owner.frameGeometry().united(form.frameGeometry()).adjusted(-10, -10, 10, 10);
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                      area.height()).toImage();
    form.done(6);
    return image;
}

bool save(const QImage& image, const QString& path) {
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    QDir().mkpath(out);
    bool ok = save(contactSheet(), out + QLatin1String("/icons.png"));
    for (const auto& shot : formShots()) {
        const QImage image = renderForm(shot);
        ok = save(image, out + QStringLiteral("/%1.png").arg(QLatin1String(shot.file))) && ok;
        ok = save(image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation),
                  out + QStringLiteral("/%1-x2.png").arg(QLatin1String(shot.file))) && ok;
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            ok = save(screenShot(shot), out + QStringLiteral("/x11-%1.png").arg(QLatin1String(shot.file))) && ok;
    }
    for (const auto& e : kIcons)
        for (int size : {16, 32, 64})
            ok = kivra::kivraPixmap(e.number, size).save(
                     out + QStringLiteral("/icon-%1-%2.png").arg(e.number).arg(size)) && ok;
    return ok ? 0 : 1;
}
