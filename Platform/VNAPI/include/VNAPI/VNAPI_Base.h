#ifndef VNAPI_BASE_H
#define VNAPI_BASE_H

/*
 * Basic vocabulary of the host API, shared by the host and every add-on.
 *
 * Everything in this header and in the other fixed-layout headers (errors, request codes,
 * enumerations, fixed records, exported entry) compiles as C and as C++. Records that carry
 * text or lists use the host core library's value types and are C++ only (VNAPI_Records.h).
 *
 * Threading: the host calls add-ons and answers their calls on its main thread only.
 */

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
#define VNAPI_CAST(type, value) static_cast<type>(value)
#define VNAPI_EXTERN_C extern "C"
#else
#define VNAPI_CAST(type, value) ((type)(value))
#define VNAPI_EXTERN_C
#endif

/*
 * A named constant of an exact type: a constant expression in C++, a static const object in C
 * (so C code compares with it but cannot use it as a case label).
 */
#ifdef __cplusplus
#define VNAPI_CONSTANT(type, name, value) inline constexpr type name = static_cast<type>(value);
#elif defined(__GNUC__)
#define VNAPI_CONSTANT(type, name, value) static const type name __attribute__((unused)) = (type)(value);
#else
#define VNAPI_CONSTANT(type, name, value) static const type name = (type)(value);
#endif

/*
 * Result of every host function that can fail: 0 (NoError) for success, otherwise one of the
 * APIERR_ codes (0x8106xxxx). Messages print a code as a signed 32-bit decimal number.
 */
typedef uint32_t VNAPI_ErrCode;

/*
 * Opaque token that the host hands to the add-on's initialisation entry. The add-on passes it
 * back, unchanged, as the first argument of every host function; it is only valid between
 * initialisation and release. Its value means nothing to the add-on.
 */
typedef struct VNAPI_HostContext* VNAPI_Token;

/* The host's 16-byte guid. Conversions to other guid types copy the bytes unchanged. */
typedef struct API_Guid {
    unsigned char bytes[16];
} API_Guid;

/*
 * A request code of the selector functions: four characters read as a big-endian 32-bit
 * number ("GWIN" is 0x4757494E).
 */
#define VNAPI_FOURCC(a, b, c, d)                                                                             \
    (VNAPI_CAST(uint32_t, VNAPI_CAST(unsigned char, a)) << 24 |                                              \
     VNAPI_CAST(uint32_t, VNAPI_CAST(unsigned char, b)) << 16 |                                              \
     VNAPI_CAST(uint32_t, VNAPI_CAST(unsigned char, c)) << 8 |                                               \
     VNAPI_CAST(uint32_t, VNAPI_CAST(unsigned char, d)))

#ifdef __cplusplus
static_assert(sizeof(API_Guid) == 16, "API_Guid is 16 bytes");
static_assert(sizeof(VNAPI_Token) == sizeof(void*), "the token is pointer-sized");
#else
_Static_assert(sizeof(API_Guid) == 16, "API_Guid is 16 bytes");
#endif

#endif /* VNAPI_BASE_H */
