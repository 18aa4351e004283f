/* Helpers shared by the cartography tree's own files. */
#ifndef CARTOTREE_CARTOTREE_INTERNAL_H
#define CARTOTREE_CARTOTREE_INTERNAL_H

#include <host/CMMString.h>

/* A directory entry worth searching: a subfolder other than "." and "..". */
bool IsCountryFolder(const char* p_name, const CMMString& p_full_path);

#endif /* CARTOTREE_CARTOTREE_INTERNAL_H */
