/* Helpers shared by the map plugin's own files. */
#ifndef MAPPLUGIN_PLUGIN_INTERNAL_H
#define MAPPLUGIN_PLUGIN_INTERNAL_H

#include <host/CMMString.h>

/* Unsigned 32-bit decimal value of the leading digits (0 when none); larger values saturate. */
unsigned long SizeFromText(const CMMString& p_text);

#endif /* MAPPLUGIN_PLUGIN_INTERNAL_H */
