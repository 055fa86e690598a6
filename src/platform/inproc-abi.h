/* The binary interface between the POSIX automation layer and an in-process automation server
   (a shared library registered for a ProgID). Plain C so that either side may be built alone. */
#ifndef KELBRIN_INPROC_ABI_H
#define KELBRIN_INPROC_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum InprocVariantType {
  INPROC_EMPTY = 0,
  INPROC_NULL = 1,
  INPROC_BOOL = 2,
  INPROC_INT = 3,
  INPROC_DOUBLE = 4,
  INPROC_TEXT = 5
};

/* Texts carry their length: they may hold NUL bytes. A by-ref text may be replaced by the
   callee with a buffer from its own `alloc_text`; the caller frees results with `free_text`. */
typedef struct InprocVariant {
  int32_t type;
  int32_t by_ref;
  int32_t boolean;
  int64_t integer;
  double real;
  char* text;
  size_t text_length;
} InprocVariant;

typedef struct InprocObject InprocObject;

typedef struct InprocObjectVtbl {
  /* Returns a status (HRESULT values); unknown names give 0x80020006. */
  int32_t (*get_id_of_name)(InprocObject* self, const char* name, int32_t* id);
  /* Invokes as method or property get; on 0x80020009 the exception fields are set. */
  int32_t (*invoke)(InprocObject* self, int32_t id, InprocVariant* args, int32_t arg_count,
                    InprocVariant* result, char** exception_description,
                    int32_t* exception_code);
  void (*release)(InprocObject* self);
  char* (*alloc_text)(size_t length);
  void (*free_text)(char* text);
} InprocObjectVtbl;

struct InprocObject {
  const InprocObjectVtbl* vtbl;
};

/* Exported by the server library under this name. */
typedef int32_t (*InprocCreateObjectFn)(const char* prog_id, InprocObject** object);
#define INPROC_CREATE_OBJECT_SYMBOL "InprocCreateObject"

#ifdef __cplusplus
}
#endif

#endif
