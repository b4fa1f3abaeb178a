// How the program looks whatever the locale: Simplified-Chinese faces for the named
// faces, the controls and the fallback; the program's own icon; message boxes whose
// title is meant to be empty show no text there.
#include "test_env.h"

#include "app/splash_form.h"
#include "entry/entry_form.h"
#include "platform/fonts.h"
#include "platform/product.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QLabel>
#include <QMessageBox>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>

#include <memory>

using namespace fangji;
using platform::Buttons;
using platform::Icon;

namespace {

const QString kSong = QString::fromLatin1(platform::kSongFace);
const QString kKai = QString::fromLatin1(platform::kKaiFace);
const QString kSans = QString::fromLatin1(platform::kSansFace);

// Characters whose Japanese forms differ from the Simplified ones, and the full-width
// colon and semicolon that Japanese faces centre in the cell.
const QString kTellingText = QStringLiteral("门户直骨：；");

// The families of the faces that actually draw text in font (fallbacks included), in
// lower case: a face reached through a substitution keeps the name in lower case.
QStringList drawingFamilies(const QFont& font, const QString& text) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList families;
    const QList<QGlyphRun> runs = layout.glyphRuns();
    for (const QGlyphRun& run : runs) {
        const QString family = run.rawFont().familyName().toLower();
        if (!families.contains(family)) {
            families << family;
        }
    }
    return families;
}

// The title the window system shows: Qt gives it the application's name when the
// window's own title is empty.
QString shownTitle(const QWidget& w) {
    return w.windowTitle().isEmpty() ? QCoreApplication::applicationName() : w.windowTitle();
}

} // namespace

class TestLook : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("fangji"));
        platform::installChineseFaces();
        platform::installProgramIcon();
    }

    void namedFace_resolvesToSimplifiedChineseFace_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("family");
        QTest::newRow("宋体") << u"宋体"_qs << kSong;
        QTest::newRow("SimSun") << u"SimSun"_qs << kSong;
        QTest::newRow("新宋体") << u"新宋体"_qs << kSong;
        QTest::newRow("楷体_GB2312") << u"楷体_GB2312"_qs << kKai;
        QTest::newRow("楷体") << u"楷体"_qs << kKai;
        QTest::newRow("KaiTi") << u"KaiTi"_qs << kKai;
        QTest::newRow("黑体") << u"黑体"_qs << kSans;
    }
    void namedFace_resolvesToSimplifiedChineseFace() {
        QFETCH(QString, name);
        QFETCH(QString, family);
        QCOMPARE(QFontInfo(QFont(name, 12)).family(), family);
        QFont bold(name, 24);
        bold.setBold(true);
        QCOMPARE(QFontInfo(bold).family(), family);
    }

    void chineseText_isDrawnInSimplifiedForms_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("family");
        QTest::newRow("application's face") << QFont() << kSans;
        QTest::newRow("宋体") << QFont(u"宋体"_qs, 11) << kSong;
        QFont kaiBold(u"楷体_GB2312"_qs, 24);
        kaiBold.setBold(true);
        QTest::newRow("楷体_GB2312 bold") << kaiBold << kKai;
        // Qt's fixed-pitch face has no Chinese glyphs: its fallback must still be Simplified.
        QTest::newRow("fixed pitch") << QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                     << u"Noto Sans Mono CJK SC"_qs;
    }
    void chineseText_isDrawnInSimplifiedForms() {
        QFETCH(QFont, font);
        QFETCH(QString, family);
        QCOMPARE(drawingFamilies(font, kTellingText), QStringList{family.toLower()});
    }

    void applicationFace_isSimplifiedChinese() {
        QCOMPARE(QFontInfo(QApplication::font()).family(), kSans);
        QCOMPARE(QLocale().language(), QLocale::Chinese);
        QCOMPARE(QLocale().territory(), QLocale::China);
        QCOMPARE(QLocale().script(), QLocale::SimplifiedHanScript);
    }

    void entryBoxes_showSong_data() {
        QTest::addColumn<QString>("box");
        for (const char* name :
             {"TxtFjmc", "TxtFjnr", "TxtFjgy", "TxtFjzz", "TxtFjyf", "TxtFjly", "TxtLcyy", "TxtLcxd"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void entryBoxes_showSong() {
        QFETCH(QString, box);
        testing::TestDataDir dir;
        testing::FakeSession session;
        const std::unique_ptr<entry::EntryForm> form = std::make_unique<entry::EntryForm>(session);
        auto* w = testing::child<QWidget>(form.get(), box);
        QCOMPARE(QFontInfo(w->font()).family(), kSong);
        QCOMPARE(drawingFamilies(w->font(), kTellingText), QStringList{kSong.toLower()});
    }

    void splash_titleIsKai_profileIsSong_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("family");
        QTest::newRow("lblProductName") << u"lblProductName"_qs << kKai;
        QTest::newRow("LblYhmc") << u"LblYhmc"_qs << kSong;
        QTest::newRow("lblVersion") << u"lblVersion"_qs << kSans;
    }
    void splash_titleIsKai_profileIsSong() {
        QFETCH(QString, label);
        QFETCH(QString, family);
        testing::TestDataDir dir;
        testing::FakeSession session;
        const std::unique_ptr<app::SplashForm> splash = std::make_unique<app::SplashForm>(session);
        auto* l = testing::child<QLabel>(splash.get(), label);
        QCOMPARE(QFontInfo(l->font()).family(), family);
        QCOMPARE(drawingFamilies(l->font(), platform::kProductName), QStringList{family.toLower()});
    }

    void windows_carryTheProgramsIcon() {
        const QIcon icon = QApplication::windowIcon();
        QVERIFY(!icon.isNull());
        for (int size : {16, 32, 48, 256}) {
            const QPixmap pixmap = icon.pixmap(size, size);
            QVERIFY2(!pixmap.isNull(), qPrintable(QString::number(size)));
            // The icon's dark red frame (from 4/64 to 10/64 of its width), not an empty or foreign picture.
            const QColor corner = pixmap.toImage().pixelColor(pixmap.width() * 7 / 64, pixmap.height() / 2);
            QVERIFY2(corner.red() > 100 && corner.green() < 80 && corner.blue() < 60,
                     qPrintable(corner.name() + u' ' + QString::number(size)));
        }
        QWidget window;
        QCOMPARE(window.windowIcon().cacheKey(), icon.cacheKey());
        // The rendering used where Qt cannot read the drawing.
        QCOMPARE(QImage(u":/fangji/fangji-256.png"_qs).size(), QSize(256, 256));
    }

    void messageBox_showsTheTitleGiven_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty, Ok") << QString() << int(Buttons::Ok) << QString();
        QTest::newRow("empty, Yes/No") << QString() << int(Buttons::YesNo) << QString();
        QTest::newRow("product title") << platform::kAppTitle << int(Buttons::Ok) << platform::kAppTitle;
        QTest::newRow("own title, Yes/No") << u"登录"_qs << int(Buttons::YesNo) << u"登录"_qs;
    }
    void messageBox_showsTheTitleGiven() {
        QFETCH(QString, title);
        QFETCH(int, buttons);
        QFETCH(QString, shown);
        const std::unique_ptr<QMessageBox> box =
            platform::makeMessageBox(nullptr, u"数据已保存。"_qs, Icon::Information, Buttons(buttons), title);
        QCOMPARE(shownTitle(*box).trimmed(), shown);
        QCOMPARE(box->text(), u"数据已保存。"_qs);
    }
};

QTEST_MAIN(TestLook)
#include "test_look.moc"
