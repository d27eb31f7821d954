#include <QCoreApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("Orbek");
  QCoreApplication::setApplicationVersion(ORBEK_VERSION);
  QCommandLineParser parser;
  parser.setApplicationDescription("Collects the readings of a water-quality meter.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(app);
  return 0;
}
