#include "shell/Messages.h"

#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/Strings.h"

namespace {
bool& ToStandardError() {
    static bool value = [] {
        const char* setting = std::getenv("SELVANE_MESSAGE_BOXES");
        return setting != nullptr && std::strcmp(setting, "stderr") == 0;
    }();
    return value;
}
std::function<void(const QString&)>& Sink() {
    static std::function<void(const QString&)> sink;
    return sink;
}
}  // namespace

void SetMessageSinkForTesting(std::function<void(const QString&)> sink) {
    Sink() = std::move(sink);
}

void SetMessagesToStandardError(bool toStandardError) {
    ToStandardError() = toStandardError;
}

bool MessagesToStandardError() {
    return ToStandardError();
}

void ShowMessage(QWidget* parent, const QString& text) {
    if (Sink()) {
        Sink()(text);
        return;
    }
    if (ToStandardError()) {
        const QByteArray utf8 = text.toUtf8();
        std::fprintf(stderr, "%s: %s\n", strings::kAppName, utf8.constData());
        std::fflush(stderr);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(strings::kAppName), text,
                    QMessageBox::Ok, parent);
    box.exec();
}
