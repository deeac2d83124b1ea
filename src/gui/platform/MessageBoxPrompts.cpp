#include "gui/platform/MessageBoxPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QString title(QWidget* parent) {
    return parent ? parent->window()->windowTitle() : QApplication::applicationDisplayName();
}

} // namespace

void MessageBoxPrompts::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, title(parent), text, QMessageBox::Ok);
}

void MessageBoxPrompts::warning(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, title(parent), text, QMessageBox::Ok);
}

bool MessageBoxPrompts::question(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, title(parent), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString MessageBoxPrompts::openFile(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString MessageBoxPrompts::saveFile(QWidget* parent, const QString& caption,
                                    const QString& suggested, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}
