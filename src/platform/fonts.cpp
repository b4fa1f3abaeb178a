#include "fonts.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QImageReader>
#include <QLocale>
#include <QStringList>

// The resources live in this static library: they must be registered by hand.
static void initProgramResources() {
    Q_INIT_RESOURCE(fangji);
}

namespace fangji::platform {

void installChineseFaces() {
    // A face that has no Chinese glyphs falls back through fontconfig to the faces of its
    // default language, the locale's: under C or en_US that is a Japanese face (骨, 直 and
    // a centred "：" in Japanese forms). Fontconfig reads FC_LANG once, when the first such
    // fallback is looked up, so set right after the application is made it takes effect;
    // a language the user set stays.
    if (!qEnvironmentVariableIsSet("FC_LANG")) {
        qputenv("FC_LANG", "zh-cn");
    }
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China));

    // The windows name the Windows faces; none of them exists here.
    const QString song = QString::fromLatin1(kSongFace);
    const QString kai = QString::fromLatin1(kKaiFace);
    const QString sans = QString::fromLatin1(kSansFace);
    for (const QString& name : {u"宋体"_qs, u"新宋体"_qs, u"SimSun"_qs, u"NSimSun"_qs}) {
        QFont::insertSubstitutions(name, {song, sans});
    }
    for (const QString& name : {u"楷体_GB2312"_qs, u"楷体"_qs, u"KaiTi"_qs, u"KaiTi_GB2312"_qs}) {
        QFont::insertSubstitutions(name, {kai, song, sans});
    }
    for (const QString& name : {u"黑体"_qs, u"SimHei"_qs}) {
        QFont::insertSubstitutions(name, {sans});
    }

    // Menus, labels and buttons: the Simplified sans face, at the desktop's size.
    QFont font(sans);
    font.setPointSizeF(QApplication::font().pointSizeF());
    QApplication::setFont(font);
}

void installProgramIcon() {
    initProgramResources();
    // The drawing scales to every size; without Qt's SVG plugin, its rendering at 256 pixels.
    const bool drawing = QImageReader::supportedImageFormats().contains("svg");
    QApplication::setWindowIcon(
        QIcon(drawing ? QStringLiteral(":/fangji/fangji.svg") : QStringLiteral(":/fangji/fangji-256.png")));
}

} // namespace fangji::platform
