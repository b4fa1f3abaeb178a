#pragma once

#include <QString>
#include <QUrl>

namespace fangji::platform {

// The desktop's "open" action for a web address or a document.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Returns an empty string on success, else a description of the failure.
    virtual QString open(const QUrl& url) = 0;
    // Whether the desktop has a program for documents of a type ("application/rtf").
    // A desktop that cannot tell answers yes and leaves the answer to open().
    virtual bool hasProgramFor(const QString& mimeType);
};

Desktop& desktop();
// Installs d (not owned); nullptr restores the real desktop.
void setDesktop(Desktop* d);

} // namespace fangji::platform
