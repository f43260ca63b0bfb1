// A core file as the include guard must refuse it (test fixture; never compiled).
#include <QImage>
#include <QtWidgets/QLabel>
