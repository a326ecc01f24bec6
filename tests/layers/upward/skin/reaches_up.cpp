#include "screens/main_form.h"  // a lower layer reaching up
