// The Internet games page: the chat room above, the running servers below.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>

#include "app/control_texts.h"
#include "qt/main_window.h"
#include "qt/text_bytes.h"

namespace lobbyfind::qt {

void MainWindow::BuildInternetGamesPage() {
  tab_Internetgames = new QWidget;
  tab_Internetgames->setObjectName("tab_Internetgames");
  PageControl1->addTab(tab_Internetgames, "Internet games");

  auto* irc = PlaceGroup(tab_Internetgames, "Internet Relay Chat", 8, 4, 670, 246);
  chatlog = new QTextEdit(irc);
  chatlog->setObjectName("chatlog");
  chatlog->setGeometry(8, 20, 500, 190);
  chatlog->setReadOnly(true);
  chatlog->setAcceptRichText(false);
  // The program writes every line; nothing is for the user to undo. With the
  // undo history on, each line added and trimmed would be kept for ever.
  chatlog->setUndoRedoEnabled(false);
  chatlog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette palette = chatlog->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  chatlog->setPalette(palette);
  QFont chatFont("MS Sans Serif");
  chatFont.setPointSize(8);
  chatlog->setFont(chatFont);

  PlaceLabel(irc, "Players", 516, 18);
  ListBox2 = new QListWidget(irc);
  ListBox2->setObjectName("ListBox2");
  ListBox2->setGeometry(516, 34, 146, 124);
  ListBox2->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox2->setSortingEnabled(true);
  playershint = PlaceLabel(irc, "", 516, 160, 146, 56);
  playershint->setObjectName("playershint");
  playershint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Edit3 = new QLineEdit(ToScreen(app::kChatInputPlaceholder), irc);
  Edit3->setObjectName("Edit3");
  Edit3->setGeometry(8, 216, 500, 22);

  auto* servers = PlaceGroup(tab_Internetgames, "Running Servers", 8, 254, 670, 148);
  ListBox1 = new QListWidget(servers);
  ListBox1->setObjectName("ListBox1");
  ListBox1->setGeometry(8, 20, 500, 118);
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  Button1 = PlaceButton(servers, "Button1", "Connect", 516, 20, 100);
  Button4 = PlaceButton(servers, "Button4", "Host a game", 516, 52, 100);
  PlaceLabel(servers, "Hint : Connect, with Dbl-Click", 516, 90);
}

}  // namespace lobbyfind::qt
