/*
 * The system symbol table: symbols of the running process, found by their
 * exact (mangled) names among its dynamic symbols.
 */
#ifndef PLATFORM_SYMTAB_H
#define PLATFORM_SYMTAB_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct symbol_table* SYMTAB_ID;
typedef unsigned char SYM_TYPE;

/* The table of the running system. */
extern SYMTAB_ID sysSymTbl;

/*
 * Finds name in the table. OK with *value (and *type when not null) set, or
 * ERROR with errno set when the name is unknown, hidden (platform::hideSymbol)
 * or null, or the table or value pointer is null.
 */
int symFindByName(SYMTAB_ID table, const char* name, char** value, SYM_TYPE* type);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_SYMTAB_H */
