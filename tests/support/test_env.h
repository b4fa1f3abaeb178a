#pragma once

#include "platform/desktop.h"
#include "platform/session.h"
#include "store/database.h"

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <source_location>

namespace fangji::testing {

// A temporary data folder for one test: XDG_DATA_HOME points into it. With
// installDatabase, the template database is copied into the data folder.
class TestDataDir {
public:
    explicit TestDataDir(bool installDatabase = true);
    ~TestDataDir();

    QString root() const { return m_dir.path(); }
    QString dataDir() const;      // …/qxdata/
    QString databasePath() const; // …/qxdata/vizi.mdb
    // Copies the template into the data folder (creating the folder).
    bool installTemplate() const;
    // Opens the data folder's database with the system's key.
    store::Database open() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldXdg;
    bool m_hadXdg = false;
};

// Runs a statement of SQLite's own SQL, failing the calling test on error (QVERIFY-style is not
// available outside test functions, so it returns false and prints the error).
bool exec(store::Database& db, const QString& sql);
// Adds one prescription of eight texts (null QString() stores NULL).
bool addPrescription(store::Database& db, const QStringList& texts);
// Reads a whole table as rows of texts (NULL as "<null>").
QList<QStringList> rows(store::Database& db, const QString& sql);

// A session that records what the working windows ask of the main window.
class FakeSession final : public platform::Session {
public:
    void LockMainMenus() override {
        locked = true;
        ++lockCount;
    }
    void UnlockMainMenus() override {
        locked = false;
        ++unlockCount;
        unlockLevels << level;
    }
    QString UserLevel() const override { return level; }
    void setUserLevel(const QString& l) override { level = l; }
    QWidget* mainWindow() const override { return main; }
    void showWindow(QWidget* window) override;
    void setBackgroundPicture(const QImage& picture) override {
        background = picture;
        ++backgroundCount;
    }
    void endProgram() override { ended = true; }

    bool locked = true;
    int lockCount = 0;
    int unlockCount = 0;
    QStringList unlockLevels;
    QString level = QStringLiteral(" ");
    QWidget* main = nullptr;
    QList<QWidget*> shownWindows;
    QImage background;
    int backgroundCount = 0;
    bool ended = false;
};

// A desktop that records what it was asked to open instead of opening it; it
// reports failure when told to, and can run a hook at each request.
class RecordingDesktop final : public platform::Desktop {
public:
    RecordingDesktop() { platform::setDesktop(this); }
    ~RecordingDesktop() override { platform::setDesktop(nullptr); }
    QString open(const QUrl& url) override {
        opened << url;
        if (onOpen) {
            onOpen();
        }
        return failure;
    }
    std::function<void()> onOpen;
    QList<QUrl> opened;
    QString failure;
};

// Writes bytes to path, replacing the file; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
// The whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);
// size bytes from a generator seeded with seed: the same seed gives the same bytes.
QByteArray randomBytes(qsizetype size, quint32 seed);

// The build's version number as the windows show it: major "." minor, then the revision with no
// separator (version 5.2.0 shows as "5.20").
QString shownVersion();

namespace detail {
// Fails the current test: parent has no child of this type and name (or parent is null).
void missingChild(const QObject* parent, const char* type, const QString& name, const std::source_location& where);
// Keeps a stand-in until a lookup in another test function.
void keepStandIn(QObject* standIn);
} // namespace detail

// The child of parent of type T with this object name, the tests' one way to find a control.
// When there is none, the current test fails with a message naming the control (its type and
// name, and the parent) at the caller's line, and the lookup returns a stand-in T that belongs to
// no window: the rest of the test function runs on it instead of on a null pointer, and the
// binary's other tests still run (Qt Test 6.4 gives a helper no way to end the test function).
template <class T>
T* child(const QObject* parent, const QString& name, std::source_location where = std::source_location::current()) {
    if (parent != nullptr) {
        if (T* found = parent->findChild<T*>(name)) {
            return found;
        }
    }
    detail::missingChild(parent, T::staticMetaObject.className(), name, where);
    T* standIn = new T;
    detail::keepStandIn(standIn);
    return standIn;
}

// Types text into the focused-or-given widget one character at a time, as key
// presses (works for CJK, where QTest::keyClicks does not).
void typeText(QWidget* widget, const QString& text);

} // namespace fangji::testing
