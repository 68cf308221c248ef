#pragma once
// Helpers for the dialog tests: answering modal dialogs without blocking,
// settings files in a temporary folder, reading back printed PDFs.
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include <QDialog>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <stdexcept>

// Answers modal dialogs and message boxes for the life of the object and
// records the messages shown.
class ModalAnswers {
public:
    explicit ModalAnswers(std::function<int(QDialog&)> answer = {}) : answer_(std::move(answer)) {
        previous_ = SetModalHook([this](QDialog& d) {
            if (auto* box = qobject_cast<QMessageBox*>(&d)) {
                messages << box->text();
                if (messageAnswer) return int(messageAnswer);
                return int(QMessageBox::Ok);
            }
            ++dialogs;
            return answer_ ? answer_(d) : int(QDialog::Rejected);
        });
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return messageAnswer == QMessageBox::Yes;
        });
    }
    ~ModalAnswers() {
        SetModalHook(std::move(previous_));
        SetMessageBoxHook({});
    }
    ModalAnswers(const ModalAnswers&) = delete;
    ModalAnswers& operator=(const ModalAnswers&) = delete;
    QStringList messages;
    int dialogs = 0;
    QMessageBox::StandardButton messageAnswer = QMessageBox::NoButton;

private:
    std::function<int(QDialog&)> answer_;
    ModalHook previous_;
};

// A dialog's control by its object name; a missing one fails the test.
template <class T> T* Control(const QObject& dialog, const char* name) {
    T* control = dialog.findChild<T*>(QLatin1String(name));
    if (!control) throw std::runtime_error(std::string("no control named ") + name);
    return control;
}

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

// The text of a PDF as pdftotext gives it (with -layout when asked).
inline QString PdfText(const QString& pdf, const QStringList& options = {}) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), options + QStringList{pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
