#pragma once

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <vector>

#include "app/controls.h"

namespace kerbcall::qt {

class PushButton : public QPushButton, public app::Button {
public:
    PushButton(const QString& caption, QWidget* parent);
    std::string Caption() const override;
    void SetCaption(std::string_view caption) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
};

class TextLabel : public QLabel, public app::Label {
public:
    explicit TextLabel(QWidget* parent);
    std::string Text() const override;
    void SetText(std::string_view text) override;
};

// A one-line label that cuts a text too long for it short with an ellipsis,
// as a Win32 label of SS_ENDELLIPSIS does.
class ElidingLabel : public TextLabel {
public:
    using TextLabel::TextLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class IntervalTimer : public QTimer, public app::Timer {
public:
    void Start(std::chrono::milliseconds interval) override { start(interval); }
};

// The home folder and the mounted volumes; their folders stand for drives,
// and Drive() is the chosen one's folder.
class DriveComboBox : public QComboBox, public app::DriveList {
public:
    // `roots` defaults to DriveRoots().
    explicit DriveComboBox(QWidget* parent, std::vector<QString> roots = {});
    std::function<void()> onChange;

    std::string Drive() const override;
    void SetDrive(std::string_view path) override;

    // The home folder first, then the mounted volumes' root folders.
    static std::vector<QString> DriveRoots();
};

// The open folder with the folders above it and inside it, one indented
// entry each. A double click opens an entry; a single click or the arrow keys
// only highlight it. A drive's current folder is its root folder.
class DirectoryListWidget : public QListWidget, public app::DirectoryList {
public:
    explicit DirectoryListWidget(QWidget* parent);
    std::function<void()> onChange;
    std::function<void()> onLostFocus;

    std::string Path() const override;
    bool SetPath(std::string_view path) override;
    std::string HighlightedPath() const override;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void List();
    QString path_;
};

// The files of one folder matching a pattern, letter case ignored, hidden
// files left out, in name order, whatever bytes their names hold.
class FileListWidget : public QListWidget, public app::FileList {
public:
    explicit FileListWidget(QWidget* parent);
    std::function<void()> onClick;
    std::function<void()> onDoubleClick;

    std::string Path() const override;
    void SetPath(std::string_view folder) override;
    std::string Pattern() const override;
    void SetPattern(std::string_view pattern) override;
    std::string FileName() const override;

private:
    void List();
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

}  // namespace kerbcall::qt
