#include "ui/main_window/file_selection.h"

#include "platform/utf8_text.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QShortcut>

#include "platform/settings_store.h"

#include "ui/widgets/drop_zone_label.h"
#include "ui/widgets/font_scale.h"

namespace {

constexpr qsizetype kSelectionCapacity = 36;
const QLatin1String kLineEnd("\r\n");
const QString kEmptyCaption = QStringLiteral("DROP FILES HERE");

QString quoted(const QString& path)
{
    return QLatin1Char('"') + lumivane::shownPath(QDir::toNativeSeparators(path)) + QLatin1Char('"');
}

// The line that names the command-line paths the full selection could not take.
QString leftOutLine(const QStringList& leftOut)
{
    return QStringLiteral("The selection holds at most %1 files: %2 more named on the command line %3 left out, "
                          "from %4 on.")
               .arg(kSelectionCapacity)
               .arg(leftOut.size())
               .arg(leftOut.size() == 1 ? QStringLiteral("was") : QStringLiteral("were"))
               .arg(quoted(leftOut.first())) +
           kLineEnd;
}

}  // namespace

FileSelection::FileSelection(QWidget* host, lumivane::SettingsStore* store) : QObject(host), store_(store)
{
    const FontScale scale(host->font());
    lblDropZone = new DropZoneLabel(host);
    lblDropZone->setObjectName(QStringLiteral("lblDropZone"));
    lblDropZone->setMinimumSize(QSize(scale(240), scale(88)));
    lblDropZone->setWordWrap(true);
    lblDropZone->setToolTip(QStringLiteral("Drop meter logs here, or double-click to choose them."));
    lblDropZone->setAlignment(Qt::AlignCenter);
    lblDropZone->setFrameShape(QFrame::Panel);
    lblDropZone->setFrameShadow(QFrame::Sunken);
    lblDropZone->setAutoFillBackground(true);
    QFont dropFont = host->font();
    dropFont.setBold(true);
    dropFont.setPointSizeF(8.25 * scale.factor());  // small beside a 9-point desktop font, as drawn
    lblDropZone->setFont(dropFont);
    lblDropZone->setText(kEmptyCaption);
    lblDropZone->setBackColour(DropZoneLabel::kEmptyColour);

    cmdReset = new QPushButton(QStringLiteral("&Reset Selection"), host);
    cmdReset->setObjectName(QStringLiteral("cmdReset"));
    cmdReset->setEnabled(false);
    cmdAddFiles = new QPushButton(QStringLiteral("A&dd Files..."), host);
    cmdAddFiles->setObjectName(QStringLiteral("cmdAddFiles"));
    cmdAddFiles->setToolTip(QStringLiteral("Choose meter logs to add to the selection (Ctrl+O)."));
    auto* open = new QShortcut(QKeySequence::Open, host);
    open->setObjectName(QStringLiteral("shortcutAddFiles"));

    connect(lblDropZone, &DropZoneLabel::dragOver, this, &FileSelection::lblDropZone_DragOver);
    connect(lblDropZone, &DropZoneLabel::filesDropped, this, &FileSelection::lblDropZone_DragDrop);
    connect(cmdReset, &QPushButton::clicked, this, &FileSelection::cmdReset_Click);
    connect(cmdAddFiles, &QPushButton::clicked, this, &FileSelection::cmdAddFiles_Click);
    connect(lblDropZone, &DropZoneLabel::doubleClicked, this, &FileSelection::cmdAddFiles_Click);
    connect(open, &QShortcut::activated, this, &FileSelection::cmdAddFiles_Click);
}

bool FileSelection::addSelectedFile(const QString& path)
{
    if (selectedFiles_.size() >= kSelectionCapacity)
        return false;
    selectedFiles_.append(path);
    return true;
}

void FileSelection::showSelection()
{
    lblDropZone->setText(QString::number(selectedFiles_.size()) + QStringLiteral(" File(s) selected."));
    lblDropZone->setBackColour(DropZoneLabel::kSelectedColour);
    cmdReset->setEnabled(true);
    emit selectionShown();
}

void FileSelection::setResetEnabled(bool enabled)
{
    cmdReset->setEnabled(enabled && !selectedFiles_.isEmpty());
    cmdAddFiles->setEnabled(enabled);
}

void FileSelection::showProgress(int number, int count, const QString& path)
{
    lblDropZone->setText(QStringLiteral("Calculating!\nfile %1 of %2\n%3")
                             .arg(number)
                             .arg(count)
                             .arg(lumivane::shownPath(QFileInfo(path).fileName())));
}

void FileSelection::setBusy(bool busy)
{
    busy_ = busy;
    lblDropZone->setAcceptDrops(!busy);
    if (busy) {
        lblDropZone->setBackColour(DropZoneLabel::kBusyColour);
        savedDropZoneCaption = lblDropZone->text();
        lblDropZone->setText(QStringLiteral("Calculating!"));
    } else {
        lblDropZone->setBackColour(DropZoneLabel::kSelectedColour);
        lblDropZone->setText(savedDropZoneCaption);
    }
}

void FileSelection::lblDropZone_DragOver() { lblDropZone->setBackColour(DropZoneLabel::kDragOverColour); }

void FileSelection::lblDropZone_DragDrop(const QStringList& paths)
{
    lblDropZone->setBackColour(DropZoneLabel::kSelectedColour);
    for (int i = 0; i < paths.size(); ++i) {
        if (!addSelectedFile(paths.at(i))) {
            // What this drop added so far stays and is counted on the zone.
            if (i > 0)
                showSelection();
            const int more = static_cast<int>(paths.size()) - i - 1;
            QString text = QStringLiteral("The selection is full: %1 files are selected, so %2")
                               .arg(kSelectionCapacity)
                               .arg(quoted(paths.at(i)));
            text +=
                more > 0 ? QStringLiteral(" and %1 more were not added.").arg(more) : QStringLiteral(" was not added.");
            emit resultsReplaced(text + kLineEnd);
            return;
        }
    }
    showSelection();
}

void FileSelection::loadCommandLineFiles(const QString& commandLine)
{
    // Only text between double quotes is a path; a quote still open at the end drops its path.
    bool inQuote = false;
    QString current;
    QStringList leftOut;
    for (const QChar c : commandLine) {
        if (c == QLatin1Char('"')) {
            if (!inQuote) {
                inQuote = true;
                current.clear();
            } else {
                if (!addSelectedFile(current))
                    leftOut << current;
                inQuote = false;
            }
        } else if (inQuote) {
            current += c;
        }
    }
    if (!leftOut.isEmpty())
        emit resultsAppended(leftOutLine(leftOut));
    showSelection();
}

void FileSelection::loadCommandLineArguments(const QStringList& arguments)
{
    QStringList paths;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if ((!optionsEnded && argument.startsWith(QLatin1Char('-'))) || argument.isEmpty())
            continue;
        paths << argument;
    }

    // Paths that do not fit are named in one line instead of one failure each.
    const qsizetype room = std::max<qsizetype>(0, kSelectionCapacity - selectedFiles_.size());
    const QStringList leftOut = paths.mid(room);
    paths = paths.mid(0, room);

    // The paths go through the same quoted command-line text a shell link
    // would hand over. A path that itself holds a double quote cannot be
    // written in that form, so it is added as it stands, in its place.
    QString commandLine;
    for (const QString& path : paths) {
        if (path.contains(QLatin1Char('"'))) {
            loadCommandLineFiles(commandLine);
            commandLine.clear();
            addSelectedFile(path);
            continue;
        }
        if (!commandLine.isEmpty())
            commandLine += QLatin1Char(' ');
        commandLine += QLatin1Char('"') + path + QLatin1Char('"');
    }
    loadCommandLineFiles(commandLine);

    if (!leftOut.isEmpty())
        emit resultsAppended(leftOutLine(leftOut));
}

void FileSelection::cmdReset_Click()
{
    lblDropZone->setText(kEmptyCaption);
    lblDropZone->setBackColour(DropZoneLabel::kEmptyColour);
    cmdReset->setEnabled(false);
    selectedFiles_.clear();
    // The window empties the results and the graph; the date scope stays as it is.
    emit selectionReset();
}

void FileSelection::cmdAddFiles_Click()
{
    if (busy_ || !cmdAddFiles->isEnabled())
        return;
    QString folder = QDir::homePath();
    if (store_)
        if (const auto kept = store_->GetSetting(lumivane::kAddFilesFolderKey);
            kept && QFileInfo(lumivane::qtText(*kept)).isDir())
            folder = lumivane::qtText(*kept);
    auto* host = qobject_cast<QWidget*>(parent());
    // Shown without a loop of its own: the window's timers and requests go on meanwhile.
    auto* dialog = new QFileDialog(host, QStringLiteral("Add Files"), folder);
    dialog->setObjectName(QStringLiteral("dlgAddFiles"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters({QStringLiteral("Meter logs (*.csv *.txt *.CSV *.TXT)"), QStringLiteral("All files (*)")});
    connect(dialog, &QFileDialog::filesSelected, this, [this](const QStringList& paths) {
        if (paths.isEmpty() || busy_)
            return;
        if (store_)
            store_->SaveSetting(lumivane::kAddFilesFolderKey,
                                lumivane::utf8Text(QFileInfo(paths.first()).absolutePath()));
        lblDropZone_DragDrop(paths);
    });
    dialog->open();
}
