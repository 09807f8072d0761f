#include "tessarinuserfunction.h"

TessarinUserFunction::~TessarinUserFunction() = default;
