#include "app/qt/controls.h"

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QPainter>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

#include "platform/posix/posix_files.h"

namespace kerbcall::qt {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;  // a file's name as the file system keeps it
constexpr char kIndentStep[] = "  ";

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// True when `root` is `path` or one of the folders above it.
bool HoldsPath(const QString& root, const QString& path) {
    if (root == QStringLiteral("/") || root == path) {
        return path.startsWith('/');
    }
    return path.startsWith(root + '/');
}

}  // namespace

PushButton::PushButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}
std::string PushButton::Caption() const { return text().toStdString(); }
void PushButton::SetCaption(std::string_view caption) { setText(FromUtf8(caption)); }
bool PushButton::Enabled() const { return isEnabled(); }
void PushButton::SetEnabled(bool enabled) { setEnabled(enabled); }

TextLabel::TextLabel(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::PlainText);
}
std::string TextLabel::Text() const { return text().toStdString(); }
void TextLabel::SetText(std::string_view text) { setText(FromUtf8(text)); }

void ElidingLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.drawText(area, static_cast<int>(alignment()),
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

DriveComboBox::DriveComboBox(QWidget* parent, std::vector<QString> roots) : QComboBox(parent) {
    if (roots.empty()) {
        roots = DriveRoots();
    }
    for (const QString& root : roots) {
        const bool home = root == QDir::homePath();
        addItem(style()->standardIcon(home ? QStyle::SP_DirHomeIcon : QStyle::SP_DriveHDIcon), root, root);
    }
    setCurrentIndex(-1);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (onChange) {
            onChange();
        }
    });
}

std::vector<QString> DriveComboBox::DriveRoots() {
    std::vector<QString> roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Files mounted on their own (a container's /etc/hosts) are no drives.
        if (QFileInfo(volume.rootPath()).isDir()) {
            roots.push_back(volume.rootPath());
        }
    }
    std::ranges::sort(roots);
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    // The user's notes most likely lie under the home folder: it comes first.
    std::erase(roots, QDir::homePath());
    roots.insert(roots.begin(), QDir::homePath());
    return roots;
}

std::string DriveComboBox::Drive() const { return currentData(kPathRole).toString().toStdString(); }

void DriveComboBox::SetDrive(std::string_view path) {
    const QString wanted = QDir::cleanPath(FromUtf8(path));
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i, kPathRole).toString();
        if (HoldsPath(root, wanted) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0) {
        setCurrentIndex(best);
    }
}

DirectoryListWidget::DirectoryListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        static_cast<void>(SetPath(item->data(kPathRole).toString().toStdString()));
    });
}

std::string DirectoryListWidget::Path() const { return path_.toStdString(); }

bool DirectoryListWidget::SetPath(std::string_view path) {
    const QFileInfo folder(FromUtf8(path));
    if (!folder.isDir() || !folder.isReadable() || !QDir(folder.absoluteFilePath()).isReadable()) {
        return false;
    }
    const QString opened = QDir::cleanPath(folder.absoluteFilePath());
    const bool changed = opened != path_;
    path_ = opened;
    List();
    if (changed && onChange) {
        onChange();
    }
    return true;
}

std::string DirectoryListWidget::HighlightedPath() const {
    const QListWidgetItem* item = currentItem();
    return (item != nullptr ? item->data(kPathRole).toString() : path_).toStdString();
}

void DirectoryListWidget::focusOutEvent(QFocusEvent* event) {
    QListWidget::focusOutEvent(event);
    // Switching to another window takes the focus away too, as on Windows; a
    // popup (a drop-down list opening) takes no focus there.
    if (event->reason() != Qt::PopupFocusReason && onLostFocus) {
        onLostFocus();
    }
}

void DirectoryListWidget::List() {
    const QSignalBlocker quiet(this);
    clear();
    QStringList above;
    for (QDir folder(path_); !folder.isRoot(); folder.cdUp()) {
        above.prepend(folder.absolutePath());
    }
    above.prepend(QStringLiteral("/"));
    QString indent;
    QListWidgetItem* open = nullptr;
    for (const QString& folder : above) {
        const QString name = folder == QStringLiteral("/") ? folder : QFileInfo(folder).fileName();
        open = new QListWidgetItem(style()->standardIcon(QStyle::SP_DirOpenIcon), indent + name, this);
        open->setData(kPathRole, folder);
        indent += kIndentStep;
    }
    const QStringList inside = QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : inside) {
        auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_DirClosedIcon), indent + name, this);
        item->setData(kPathRole, QDir(path_).absoluteFilePath(name));
    }
    setCurrentItem(open);
}

FileListWidget::FileListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (onClick) {
            onClick();
        }
    });
    connect(this, &QListWidget::itemDoubleClicked, this, [this] {
        if (onDoubleClick) {
            onDoubleClick();
        }
    });
}

std::string FileListWidget::Path() const { return path_.toStdString(); }

void FileListWidget::SetPath(std::string_view folder) {
    path_ = FromUtf8(folder);
    List();
}

std::string FileListWidget::Pattern() const { return pattern_.toStdString(); }

void FileListWidget::SetPattern(std::string_view pattern) {
    pattern_ = FromUtf8(pattern);
    List();
}

std::string FileListWidget::FileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? std::string() : selected.front()->data(kNameRole).toByteArray().toStdString();
}

void FileListWidget::List() {
    const QSignalBlocker quiet(this);
    clear();
    if (path_.isEmpty()) {
        return;
    }
    // Names that are not UTF-8 (from a Windows archive) are listed too, shown
    // with a replacement character; the item keeps the name's own bytes.
    std::vector<std::pair<QString, std::string>> files;
    for (std::string& name : posix::FilesMatching(path_.toStdString(), pattern_.toStdString())) {
        if (!name.starts_with('.')) {
            files.emplace_back(FromUtf8(name), std::move(name));
        }
    }
    std::ranges::sort(files, [](const auto& a, const auto& b) {
        return std::pair(a.first.toLower(), a.second) < std::pair(b.first.toLower(), b.second);
    });
    for (const auto& [shown, name] : files) {
        auto* item = new QListWidgetItem(shown, this);
        item->setData(kNameRole, QByteArray::fromStdString(name));
    }
}

}  // namespace kerbcall::qt
