// The floor below every Qt Widgets program: the toolkit's libraries loaded
// and set up by the system, `main` entered and left at once, no display
// asked for and nothing shown. What a start costs that no program built on
// the toolkit can save, timed from the fork to the exit.
#include <QApplication>

int main(int argc, char** argv) {
  (void)argv;
  // Never true: it keeps the toolkit linked, as a program using it is.
  if (argc > 1000) return QApplication::exec();
  return 0;
}
