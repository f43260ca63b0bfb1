// A core file as the include guard must accept it (test fixture; never compiled).
#include "app/fields.h"
#include <QImage>
#include <qaction.h>
