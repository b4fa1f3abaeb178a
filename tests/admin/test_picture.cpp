// The background picture: large photographs preview and store, the file goes into
// the database piece by piece and comes back byte for byte.
#include "admin/background_form.h"
#include "admin/picture_store.h"
#include "admin/stored_picture.h"

#include "platform/busy.h"
#include "store/database.h"
#include "store/schema.h"

#include "scripted_prompts.h"
#include "test_env.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

using namespace fangji;
using testing::child;
using testing::randomBytes;
using testing::readFile;
using testing::ScriptedPrompts;
using testing::TestDataDir;
using testing::writeFile;

namespace {

// A picture of the given size, red on its left half and blue on its right, saved in
// `format`; its path, or empty on failure.
QString savedPicture(const QString& folder, QSize size, const char* format) {
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, size.width() / 2, size.height(), QColor(200, 0, 0));
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), QColor(0, 0, 200));
    painter.end();
    const QString path = QStringLiteral("%1/picture-%2x%3.%4")
                             .arg(folder)
                             .arg(size.width())
                             .arg(size.height())
                             .arg(QString::fromLatin1(format).toLower());
    return picture.save(path, format, format == QByteArrayLiteral("JPG") ? 90 : -1) ? path : QString();
}

bool isReddish(QColor c) {
    return c.red() > 150 && c.blue() < 60;
}
bool isBluish(QColor c) {
    return c.blue() > 150 && c.red() < 60;
}

} // namespace

class TestPicture : public QObject {
    Q_OBJECT

private slots:
    void largePicture_previewsStoresAndShows_data();
    void largePicture_previewsStoresAndShows();
    void unreadableFile_stillReported_data();
    void unreadableFile_stillReported();
    void store_piecesAndBytesAsTheFile_data();
    void store_piecesAndBytesAsTheFile();
};

void TestPicture::largePicture_previewsStoresAndShows_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("8000×6000 JPEG") << QSize(8000, 6000) << QByteArray("JPG");
    QTest::newRow("8000×6000 BMP") << QSize(8000, 6000) << QByteArray("BMP");
    QTest::newRow("7000×7000 JPEG") << QSize(7000, 7000) << QByteArray("JPG");
    QTest::newRow("8000×8000 JPEG") << QSize(8000, 8000) << QByteArray("JPG");
}

void TestPicture::largePicture_previewsStoresAndShows() {
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);
    TestDataDir data;
    const QString file = savedPicture(data.root(), size, format.constData());
    QVERIFY(!file.isEmpty());

    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackgroundForm> form = new admin::BackgroundForm(session);
    form->show();
    prompts.expectOpenFile(file);
    QTest::mouseClick(child<QPushButton>(form, "CmdLoad"), Qt::LeftButton);
    auto* box = child<QLabel>(form, "ImageXt");
    QVERIFY2(!box->text().startsWith(admin::BackgroundForm::kNotAPicture), qPrintable(box->text()));
    QVERIFY(!box->pixmap().isNull());
    // The preview fits the box, in the picture's proportions, with its two halves.
    const QImage preview = form->preview();
    QVERIFY(!preview.isNull());
    QVERIFY(preview.width() <= box->width() && preview.height() <= box->height());
    QVERIFY(qAbs(preview.width() * size.height() - preview.height() * size.width()) <= size.width() + size.height());
    QVERIFY(isReddish(preview.pixelColor(preview.width() / 4, preview.height() / 2)));
    QVERIFY(isBluish(preview.pixelColor(preview.width() * 3 / 4, preview.height() / 2)));

    QTest::mouseClick(child<QPushButton>(form, "CmdOext"), Qt::LeftButton);
    FANGJI_VERIFY_PROMPTS(prompts);
    QVERIFY(!platform::isBusyPointer());
    QVERIFY(*admin::readStoredPictureBytes(data.databasePath()) == readFile(file));
    // The main window gets the whole picture.
    QCOMPARE(session.backgroundCount, 1);
    QCOMPARE(session.background.size(), size);
    QVERIFY(isReddish(session.background.pixelColor(10, size.height() / 2)));
    QVERIFY(isBluish(session.background.pixelColor(size.width() - 10, size.height() / 2)));
    QCOMPARE(session.unlockCount, 1);
    delete form.data();
}

void TestPicture::unreadableFile_stillReported_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("kind"); // 0 garbage, 1 a JPEG's first 100 bytes, 2 a BMP cut inside its header
    QTest::newRow("garbage named .jpg") << u"garbage.jpg"_qs << 0;
    QTest::newRow("JPEG cut after 100 bytes") << u"cut.jpg"_qs << 1;
    QTest::newRow("BMP cut inside its header") << u"cut.bmp"_qs << 2;
}

void TestPicture::unreadableFile_stillReported() {
    QFETCH(QString, fileName);
    QFETCH(int, kind);
    TestDataDir data;
    const QString file = data.root() + u'/' + fileName;
    QByteArray bytes = randomBytes(5000, 11);
    if (kind != 0) {
        const QString whole = savedPicture(data.root(), QSize(64, 48), kind == 1 ? "JPG" : "BMP");
        QVERIFY(!whole.isEmpty());
        bytes = readFile(whole).left(kind == 1 ? 100 : 20);
    }
    QVERIFY(writeFile(file, bytes));
    QVERIFY(admin::readPictureFile(file).isNull());

    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackgroundForm> form = new admin::BackgroundForm(session);
    form->show();
    prompts.expectOpenFile(file);
    child<QPushButton>(form, "CmdLoad")->click();
    auto* box = child<QLabel>(form, "ImageXt");
    QVERIFY(box->text().startsWith(admin::BackgroundForm::kNotAPicture));
    QVERIFY(box->pixmap().isNull());
    QVERIFY(form->preview().isNull());
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(prompts);
    delete form.data();
}

void TestPicture::store_piecesAndBytesAsTheFile_data() {
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<qsizetype>("replacedBy"); // a second file stored over the first into the same row; 0: none
    QTest::newRow("one piece short") << qsizetype(100) << qsizetype(0);
    QTest::newRow("whole pieces only") << qsizetype(3 * 4096) << qsizetype(0);
    QTest::newRow("3 MB and a short piece") << qsizetype(3 * 1024 * 1024 + 123) << qsizetype(0);
    QTest::newRow("20 MB") << qsizetype(20 * 1024 * 1024) << qsizetype(0);
    QTest::newRow("replaced by a shorter file") << qsizetype(2 * 1024 * 1024 + 7) << qsizetype(5000);
}

void TestPicture::store_piecesAndBytesAsTheFile() {
    QFETCH(qsizetype, size);
    QFETCH(qsizetype, replacedBy);
    TestDataDir data;
    const QString first = data.root() + u"/first.jpg"_qs;
    QVERIFY(writeFile(first, randomBytes(size, 3)));
    QElapsedTimer timer;
    timer.start();
    auto stored = admin::saveBackgroundPicture(data.databasePath(), first);
    const qint64 elapsed = timer.nsecsElapsed();
    QVERIFY(stored.ok());
    if (size >= 1024 * 1024) {
        qInfo("storing %.1f MB took %.3f s", size / 1048576.0, elapsed / 1e9);
    }
    QList<qsizetype> pieces(size / admin::kPictureChunkSize, admin::kPictureChunkSize);
    if (size % admin::kPictureChunkSize != 0) {
        pieces << size % admin::kPictureChunkSize;
    }
    QCOMPARE(stored->chunks, pieces);
    QVERIFY(*admin::readStoredPictureBytes(data.databasePath()) == readFile(first));

    if (replacedBy > 0) {
        const QString second = data.root() + u"/second.jpg"_qs;
        QVERIFY(writeFile(second, randomBytes(replacedBy, 5)));
        auto again = admin::saveBackgroundPicture(data.databasePath(), second);
        QVERIFY(again.ok());
        QVERIFY(*admin::readStoredPictureBytes(data.databasePath()) == readFile(second));
    }
}

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
