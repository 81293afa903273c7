#include "runtime/forms/program.h"

#include <QCoreApplication>

namespace runtime {

void endProgram() { QCoreApplication::exit(0); }

}  // namespace runtime
