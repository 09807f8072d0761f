#include "tessarinevaluatorcontext.h"

TessarinEvaluatorContext::~TessarinEvaluatorContext() = default;
