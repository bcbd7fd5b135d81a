// Prints the family each face given on the command line becomes on this machine's fonts, one a
// line: the font tests run it under another font configuration.
#include "platform/graphics/Graphics.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (const QString& face : app.arguments().mid(1))
        std::printf("%s\n", qPrintable(platform::graphics::ResolveFontFamily(face)));
    return 0;
}
