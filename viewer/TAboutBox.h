#pragma once

#include <QDialog>
#include <QUrl>

class QFrame;
class QLabel;
class QPushButton;

// The about box: the program's picture, name, version, authors and a link to its
// web page. Built hidden at start and only hidden again when closed, so each About
// shows the same box.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 319;
    static constexpr int ClientHeight = 151;

    explicit TAboutBox(QWidget* parent = nullptr);

    // The project's web page, opened by a click on Label2.
    static QUrl webSite();

    QFrame* Panel1;
    QFrame* ProgramIcon;
    QLabel* Picture;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Comments;
    QLabel* Label2;
    QPushButton* OKButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Label2Click();
};
