#include "viewer/TAboutBox.h"

#include "viewer/ApplicationFonts.h"
#include "viewer/ImageList.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int PictureSize = 64;
} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)
{
    setWindowTitle(QStringLiteral("About KVD Viewer 1.3"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(kvd::tahoma(11));
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 303, 97);

    ProgramIcon = new QFrame(Panel1);
    ProgramIcon->setGeometry(8, 8, 81, 81);
    ProgramIcon->setAutoFillBackground(true);
    QPalette white = ProgramIcon->palette();
    white.setColor(QPalette::Window, Qt::white);
    ProgramIcon->setPalette(white);

    Picture = new QLabel(ProgramIcon);
    Picture->setGeometry(8, 8, 70, 70);
    Picture->setAlignment(Qt::AlignCenter);
    Picture->setPixmap(kvd::drawing(QStringLiteral("picture"), PictureSize));

    ProductName = new QLabel(QStringLiteral("KVD Viewer"), Panel1);
    ProductName->move(96, 16);
    Version = new QLabel(QStringLiteral("Version 1.3"), Panel1);
    Version->move(96, 32);
    Comments = new QLabel(QStringLiteral("The KVD Viewer developers\nData files viewer and header editor"), Panel1);
    Comments->setGeometry(96, 48, 194, 26);
    Comments->setWordWrap(true);

    Label2 = new QLabel(QStringLiteral("<a href=\"%1\" style=\"color:#0000ff; text-decoration:underline\">Web Site</a>")
                            .arg(webSite().toString()),
                        Panel1);
    Label2->move(95, 76);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setTextInteractionFlags(Qt::NoTextInteraction);
    Label2->installEventFilter(this);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(128, 111, 65, 33);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

QUrl TAboutBox::webSite()
{
    return QUrl(QStringLiteral("https://kvdviewer.org"));
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label2Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* shown = screen())
        move(shown->availableGeometry().center() - rect().center());
    OKButton->setFocus();
}

void TAboutBox::Label2Click()
{
    // The result is not looked at: a missing browser is no error of this program.
    QDesktopServices::openUrl(webSite());
}
