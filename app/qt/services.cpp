#include "app/qt/services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/program_folder.h"

namespace kerbcall::qt {

namespace {
QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

void QtMessagePump::HandlePendingMessages() { QCoreApplication::processEvents(); }

std::string QtProgram::Folder() { return posix::ProgramFolder(); }

void QtProgram::ShowInformation(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::Information, FromUtf8(caption), FromUtf8(text), QMessageBox::Ok);
    box.exec();
}

void QtProgram::End() {
    mci_.CloseDevice();
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

}  // namespace kerbcall::qt
