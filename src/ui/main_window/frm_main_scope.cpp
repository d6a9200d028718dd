// The main window's date scope controls, drop zone and file selection.
#include "ui/main_window/frm_main.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollBar>

#include "ui/widgets/graph_panel.h"
#include "ui/widgets/drop_zone_label.h"
#include "ui/widgets/spin_range_validator.h"
#include "ui/widgets/process_text_area.h"

namespace {

constexpr qint16 kSelectionCapacity = 36;
const QColor kEmptyZoneColour(224, 224, 224);
const QColor kDragOverColour(255, 255, 192);
const QColor kSelectedColour(192, 255, 192);
const QLatin1String kLineEnd("\r\n");

QString quoted(const QString& path) { return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"'); }

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

// The value of the text's leading whole number; a text that does not begin
// with one counts as 0. Large numbers saturate, which keeps them out of range.
qint64 leadingNumber(const QString& text)
{
    int i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        value = std::min<qint64>(value * 10 + (text.at(i).unicode() - '0'), 1'000'000'000);
    return negative ? -value : value;
}

// The four paths of a field and its spin: the spin writes its value into the
// field; a finished number typed into the field moves the spin.
void pairFieldWithSpin(frmMain* window, QLineEdit* field, QScrollBar* spin)
{
    QObject::connect(spin, &QScrollBar::valueChanged, window,
                     [field](int value) { field->setText(QString::number(value)); });
    // Keystrokes that can never give a value in the spin's range are refused.
    field->setValidator(new SpinRangeValidator(spin, field));
    QObject::connect(field, &QLineEdit::textChanged, window, [field, spin](const QString& text) {
        // An unfinished number ("20" on the way to "2012") leaves the spin
        // where it is: moving it would write its own value back into the field
        // under the operator's fingers.
        if (SpinRangeValidator::check(text, spin->minimum(), spin->maximum()) == QValidator::Acceptable)
            spin->setValue(text.toInt());
    });
}

}  // namespace

void frmMain::initWorkflow()
{
    // Date scope.
    connect(chkDate, &QCheckBox::stateChanged, this, &frmMain::chkDate_Click);
    connect(vsDD, &QScrollBar::valueChanged, this, [this](int value) { txtDD->setText(QString::number(value)); });
    // The day field takes digits only; its own rule puts "1" back for anything outside 1..31.
    txtDD->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtDD));
    connect(txtDD, &QLineEdit::textChanged, this, &frmMain::txtDD_Change);
    pairFieldWithSpin(this, txtMM, vsMM);
    pairFieldWithSpin(this, txtYY, vsYY);
    pairFieldWithSpin(this, txtDays, vsDays);

    // Drop zone and selection.
    connect(lblDropZone, &DropZoneLabel::dragOver, this, &frmMain::lblDropZone_DragOver);
    connect(lblDropZone, &DropZoneLabel::filesDropped, this, &frmMain::lblDropZone_DragDrop);
    connect(cmdReset, &QPushButton::clicked, this, &frmMain::cmdReset_Click);

    // Calculation run and graph panel.
    connect(cmdStartConvert, &QPushButton::clicked, this, &frmMain::cmdStartConvert_Click);
    connect(chkGraph, &QCheckBox::stateChanged, this, &frmMain::chkGraph_Click);
}

// ---- Date scope --------------------------------------------------------------

void frmMain::enableDateFields(bool enabled)
{
    txtDD->setEnabled(enabled);
    txtMM->setEnabled(enabled);
    txtYY->setEnabled(enabled);
    txtDays->setEnabled(enabled);
    vsDD->setEnabled(enabled);
    vsMM->setEnabled(enabled);
    vsYY->setEnabled(enabled);
    vsDays->setEnabled(enabled);
}

void frmMain::chkDate_Click() { enableDateFields(chkDate->checkState() == Qt::Checked); }

void frmMain::txtDD_Change()
{
    const qint64 day = leadingNumber(txtDD->text());
    if (day > 31 || day < 1) {
        // This is a change of its own and comes back here, which sets vsDD to 1.
        txtDD->setText(QStringLiteral("1"));
        return;
    }
    vsDD->setValue(static_cast<int>(day));
}

// ---- Drop zone and file selection ----------------------------------------------

bool frmMain::addSelectedFile(const QString& path)
{
    if (selectedCount >= kSelectionCapacity)
        return false;
    // Slots past the count are left over from before a reset and no longer count.
    selectedFiles = selectedFiles.mid(0, selectedCount);
    selectedFiles.append(path);
    ++selectedCount;
    return true;
}

void frmMain::showSelection()
{
    lblDropZone->setText(QString::number(selectedCount) + QStringLiteral(" File(s) selected."));
    cmdStartConvert->setEnabled(true);
    cmdReset->setEnabled(true);
    chkDate->setEnabled(true);
}

void frmMain::lblDropZone_DragOver() { lblDropZone->setBackColour(kDragOverColour); }

void frmMain::lblDropZone_DragDrop(const QStringList& paths)
{
    lblDropZone->setBackColour(kSelectedColour);
    for (int i = 0; i < paths.size(); ++i) {
        if (!addSelectedFile(paths.at(i))) {
            // What this drop added so far stays; caption and buttons keep their state.
            const int more = static_cast<int>(paths.size()) - i - 1;
            QString text = QStringLiteral("The selection is full: %1 files are selected, so %2")
                               .arg(kSelectionCapacity)
                               .arg(quoted(paths.at(i)));
            text += more > 0 ? QStringLiteral(" and %1 more were not added.").arg(more)
                             : QStringLiteral(" was not added.");
            txtProcess->setText(text + kLineEnd);
            return;
        }
    }
    showSelection();
}

void frmMain::loadCommandLineFiles(const QString& commandLine)
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
        txtProcess->appendText(leftOutLine(leftOut));
    showSelection();
}

void frmMain::loadCommandLineArguments(const QStringList& arguments)
{
    // Every argument is one path, except options ("-x"); after "--" all are paths.
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
    const int room = std::max(0, kSelectionCapacity - selectedCount);
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
        txtProcess->appendText(leftOutLine(leftOut));
}

void frmMain::cmdReset_Click()
{
    lblDropZone->setText(QStringLiteral("DROP FILES HERE"));
    lblDropZone->setBackColour(kEmptyZoneColour);
    // chkDate's tick and the date fields stay as they are.
    cmdStartConvert->setEnabled(false);
    cmdReset->setEnabled(false);
    chkDate->setEnabled(false);
    txtProcess->setText(QString());
    graph.graphDayX = 0;
    graph.graphNightX = 0;
    selectedCount = 0;
    selectedFiles.clear();
    resetGraph();
}
