// The Start page: the online news on the left, the chat login on the right,
// the link buttons below it.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>

#include "app/site_links.h"
#include "qt/main_window.h"
#include "qt/text_bytes.h"

namespace lobbyfind::qt {

void MainWindow::BuildStartPage() {
  tab_Start = new QWidget;
  tab_Start->setObjectName("tab_Start");
  PageControl1->addTab(tab_Start, "Start");

  auto* news = PlaceGroup(tab_Start, "lobbyfind - online news", 8, 6, 340, 396);
  newsbackgroundlabel = new QLabel(news);
  newsbackgroundlabel->setObjectName("newsbackgroundlabel");
  newsbackgroundlabel->setAutoFillBackground(true);
  onlinenews = new QTextEdit(news);
  onlinenews->setObjectName("onlinenews");
  onlinenews->setGeometry(18, 26, 304, 322);
  onlinenews->setReadOnly(true);
  onlinenews->setAcceptRichText(false);
  onlinenews->setUndoRedoEnabled(false);  // filled only by the program
  onlinenews->setFrameStyle(QFrame::NoFrame);
  onlinenews->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette palette = onlinenews->palette();
  palette.setColor(QPalette::Base, QColor(23, 28, 57));
  palette.setColor(QPalette::Text, QColor(149, 149, 149));
  onlinenews->setPalette(palette);
  QFont newsFont("Courier New");
  newsFont.setBold(true);
  newsFont.setPointSize(8);
  onlinenews->setFont(newsFont);
  newsbackgroundlabel->lower();
  NewsButton = PlaceButton(news, "NewsButton", "News", 18, 360);

  auto* login = PlaceGroup(tab_Start, "Login to lobbyfind's", 356, 6, 322, 220);
  PlaceLabel(login, "Nickname", 14, 30);
  currentplayername = new QLineEdit("currentplayername", login);
  currentplayername->setObjectName("currentplayername");
  currentplayername->setGeometry(100, 26, 206, 22);
  PlaceLabel(login, "Password *", 14, 62);
  Edit4 = new QLineEdit(login);
  Edit4->setObjectName("Edit4");
  Edit4->setEchoMode(QLineEdit::Password);
  // Typed characters show as "*", whatever the style's own mask is.
  Edit4->setStyleSheet("QLineEdit { lineedit-password-character: 42 }");
  Edit4->setGeometry(100, 58, 206, 22);
  Button7 = PlaceButton(login, "Button7", "Login", 100, 92);
  PlaceLabel(login, "* Note : You do not need to use a password, but if your nick is", 14, 132, 296,
             36);
  PlaceLabel(login, "registered already, you need a password.", 14, 170, 296, 20);

  FaqButton = PlaceButton(tab_Start, "FaqButton", "FAQ", 356, 240);
  WwwButton = PlaceButton(tab_Start, "WwwButton", "WWW", 437, 240);
  SecondSiteButton =
      PlaceButton(tab_Start, "SecondSiteButton", ToScreen(app::kSecondHost), 518, 240, 160);
}

}  // namespace lobbyfind::qt
