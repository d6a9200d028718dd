#include "ui/about/frm_about.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/desktop_services.h"
#include "platform/utf8_text.h"
#include "core/text/app_facts.h"
#include "ui/widgets/event_label.h"
#include "ui/widgets/font_scale.h"

namespace {

// The dialog's own small pictures, drawn once: a meter dial and a lightning mark.
QPixmap dialIcon()
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 110), 3));
    p.setBrush(QColor(235, 242, 250));
    p.drawEllipse(4, 4, 40, 40);
    p.setPen(QPen(QColor(200, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(24, 24, 36, 14);
    p.setBrush(QColor(30, 60, 110));
    p.setPen(Qt::NoPen);
    p.drawEllipse(21, 21, 6, 6);
    return pixmap;
}

QPixmap boltIcon()
{
    QPixmap pixmap(32, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 180, 20));
    const QPoint bolt[] = {{18, 2}, {4, 27}, {15, 27}, {10, 46}, {28, 18}, {17, 18}, {24, 2}};
    p.drawPolygon(bolt, 7);
    return pixmap;
}

}  // namespace

frmAbout::frmAbout(lumivane::DesktopLauncher* desktop, QWidget* parent) : QDialog(parent), desktop_(desktop)
{
    setObjectName(QStringLiteral("frmAbout"));
    setMouseTracking(true);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(dialIcon());
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(boltIcon());

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(12);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription =
        new QLabel(QStringLiteral("Lumivane by Brenvik Automation is an integrator's tool that calculates readings "
                                  "from a variety of power meters and displays the costs of daytime and night-time "
                                  "electrical usage."),
                   this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);

    auto* line1 = new QFrame(this);
    line1->setObjectName(QStringLiteral("Line1"));
    line1->setFrameShape(QFrame::HLine);
    line1->setFrameShadow(QFrame::Sunken);

    Label1 = new QLabel(QStringLiteral("If you want to know more about this application and many others, or you "
                                       "wish to have an application tailor made to your needs.  Email: "),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    lblHTTP = new EventLabel(this);
    lblHTTP->setObjectName(QStringLiteral("lblHTTP"));
    lblHTTP->setText(supportAddress());
    lblHTTP->setAlignment(Qt::AlignCenter);
    lblHTTP->setCursor(Qt::PointingHandCursor);
    QPalette linkPalette = lblHTTP->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblHTTP->setPalette(linkPalette);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdOK->setMinimumWidth(88);

    auto* titleColumn = new QVBoxLayout;
    titleColumn->addWidget(lblTitle);
    titleColumn->addWidget(lblVersion);
    titleColumn->addSpacing(6);
    titleColumn->addWidget(lblDescription);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(titleColumn, 1);
    top->addWidget(Picture1, 0, Qt::AlignTop);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdOK);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addWidget(line1);
    layout->addWidget(Label1);
    layout->addWidget(lblHTTP);
    layout->addSpacing(8);
    layout->addLayout(bottom);
    // The wrapped texts decide the height: a larger font gets a wider and taller box, not cut lines.
    const int width = FontScale(font())(420);
    const int height = heightForWidth(width);
    setFixedSize(width, height > 0 ? height : sizeHint().height());

    // Enter and Esc both close: OK is the default button, and Esc rejects.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(lblHTTP, &EventLabel::mouseMoved, this, [this] { setLinkUnderlined(true); });
    connect(lblHTTP, &EventLabel::clicked, this, [this] {
        if (desktop_)
            desktop_->openTarget(QStringLiteral("mailto:") + supportAddress());
    });

    // The load handler's steps, in order.
    const QString title = QString::fromLatin1(lumivane::kAppTitle);
    setWindowTitle(QStringLiteral("About ") + title);
    lblVersion->setText(QStringLiteral("Version ") + lumivane::qtText(lumivane::versionText()));
    lblTitle->setText(title);
}

QString frmAbout::supportAddress() { return QStringLiteral("support@brenvik-automation.example"); }

void frmAbout::mouseMoveEvent(QMouseEvent* event)
{
    if (!childAt(event->position().toPoint()))
        setLinkUnderlined(false);
    QDialog::mouseMoveEvent(event);
}

void frmAbout::setLinkUnderlined(bool underlined)
{
    QFont f = lblHTTP->font();
    if (f.underline() == underlined)
        return;
    f.setUnderline(underlined);
    lblHTTP->setFont(f);
}
