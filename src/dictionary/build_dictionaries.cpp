#include "build_dictionaries.h"

#include "dictionary_store.h"
#include "progress_form.h"

#include "platform/busy.h"
#include "platform/paths.h"

#include <QPointer>

namespace fangji::dictionary {

namespace {

// Puts what generation reports into Frmjdys.
class WindowObserver final : public GenerationObserver {
public:
    explicit WindowObserver(QWidget* mainWindow) : m_mainWindow(mainWindow) {}
    ~WindowObserver() override { unload(); }

    void showProgressWindow() override {
        if (m_form == nullptr) {
            m_form = new ProgressForm(m_mainWindow);
            m_form->load();
        }
        m_form->setPercentText(QString());
        m_form->setCaption(QString());
        platform::doEvents();
        m_form->setBar(0);
        platform::doEvents();
    }
    void setCaption(const QString& caption) override {
        if (m_form != nullptr) {
            m_form->setCaption(caption);
        }
    }
    void setProgress(const ProgressStep& step) override {
        if (m_form != nullptr) {
            m_form->setBar(step.percent);
            m_form->setPercentText(step.label);
        }
    }
    void processEvents() override { platform::doEvents(); }

    void unload() {
        if (m_form != nullptr) {
            m_form->close();
            m_form = nullptr;
        }
    }

private:
    QWidget* m_mainWindow;
    QPointer<ProgressForm> m_form;
};

} // namespace

store::Status BuildDictionaries(QWidget* mainWindow) {
    WindowObserver observer(mainWindow);
    const store::Status status = generateDictionaries(platform::databasePath(), &observer);
    // The progress window goes also when generation failed.
    observer.unload();
    platform::doEvents();
    return status;
}

} // namespace fangji::dictionary
