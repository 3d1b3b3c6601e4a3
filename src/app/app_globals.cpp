#include "app/app_globals.h"

namespace movrel {

AppGlobals& Globals() {
  static AppGlobals globals;
  return globals;
}

}  // namespace movrel
