// Writes an experiment file that holds three calculated quantities and nothing else, for
// bench/demo --quantities to open: A·B, the derivative of A and B smoothed over 15 points.
//   quantity_file PATH
#include "ExperimentFile.h"
#include "Session.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quantity_file PATH\n");
        return 2;
    }
    kurvimat::session::Session session;
    if (auto fault = session.setQuantities({{QStringLiteral("P"), QStringLiteral("V²"), QStringLiteral("A*B")},
                                            {QStringLiteral("vA"), QStringLiteral("V/s"), QStringLiteral("ABL(A;T)")},
                                            {QStringLiteral("Bg"), QStringLiteral("V"), QStringLiteral("GLAETT(B;15)")}},
                                           {})) {
        std::fprintf(stderr, "quantities refused\n");
        return 1;
    }
    // The channels as the program starts: a file without definitions would clear them.
    kurvimat::session::Experiment experiment = session.experiment();
    experiment.definitionA = experiment.definitionB = QStringLiteral("Spannung unkalibriert (V): U");
    if (auto error = kurvimat::session::writeExperiment(QString::fromLocal8Bit(argv[1]), experiment)) {
        std::fprintf(stderr, "%s\n", qPrintable(*error));
        return 1;
    }
    return 0;
}
