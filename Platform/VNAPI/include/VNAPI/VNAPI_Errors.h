#ifndef VNAPI_ERRORS_H
#define VNAPI_ERRORS_H

/*
 * Error codes answered by host functions. Every code is 0x81060000 plus an offset; offsets come
 * in blocks by subject (general, bad arguments, missing things, existing things, attributes,
 * module data, text layout, command state, classification).
 *
 * VNAPI_FOR_EACH_ERROR(X) calls X(name, value) once per code, in ascending order, so that code
 * tables (names, typed errors) are generated from this one list.
 */

#include "VNAPI_Base.h"

/* clang-format off */
#define VNAPI_FOR_EACH_ERROR(X)                          \
    X(APIERR_GENERAL,                   0x81060001u)     \
    X(APIERR_MEMFULL,                   0x81060002u)     \
    X(APIERR_CANCEL,                    0x81060003u)     \
    X(APIERR_BADID,                     0x81060065u)     \
    X(APIERR_BADINDEX,                  0x81060066u)     \
    X(APIERR_BADNAME,                   0x81060067u)     \
    X(APIERR_BADPARS,                   0x81060068u)     \
    X(APIERR_BADPOLY,                   0x81060069u)     \
    X(APIERR_BADDATABASE,               0x8106006Au)     \
    X(APIERR_BADWINDOW,                 0x8106006Bu)     \
    X(APIERR_BADKEYCODE,                0x8106006Cu)     \
    X(APIERR_BADPLATFORMSIGN,           0x8106006Du)     \
    X(APIERR_BADPLANE,                  0x8106006Eu)     \
    X(APIERR_BADUSERID,                 0x8106006Fu)     \
    X(APIERR_BADVALUE,                  0x81060070u)     \
    X(APIERR_BADELEMENTTYPE,            0x81060071u)     \
    X(APIERR_IRREGULARPOLY,             0x81060072u)     \
    X(APIERR_BADEXPRESSION,             0x81060073u)     \
    X(APIERR_NO3D,                      0x810600C9u)     \
    X(APIERR_NOMORE,                    0x810600CAu)     \
    X(APIERR_NOPLAN,                    0x810600CBu)     \
    X(APIERR_NOLIB,                     0x810600CCu)     \
    X(APIERR_NOLIBSECT,                 0x810600CDu)     \
    X(APIERR_NOSEL,                     0x810600CEu)     \
    X(APIERR_NOTEDITABLE,               0x810600CFu)     \
    X(APIERR_NOTSUBTYPEOF,              0x810600D0u)     \
    X(APIERR_NOTEQUALMAIN,              0x810600D1u)     \
    X(APIERR_NOTEQUALREVISION,          0x810600D2u)     \
    X(APIERR_NOSYNCWORKPROJECT,         0x810600D3u)     \
    X(APIERR_NOUSERDATA,                0x810600DCu)     \
    X(APIERR_MOREUSER,                  0x810600DDu)     \
    X(APIERR_LINKEXIST,                 0x810600DEu)     \
    X(APIERR_LINKNOTEXIST,              0x810600DFu)     \
    X(APIERR_WINDEXIST,                 0x810600E0u)     \
    X(APIERR_WINDNOTEXIST,              0x810600E1u)     \
    X(APIERR_UNDOEMPTY,                 0x810600E2u)     \
    X(APIERR_REFERENCEEXIST,            0x810600E3u)     \
    X(APIERR_NAMEALREADYUSED,           0x810600E4u)     \
    X(APIERR_ATTREXIST,                 0x8106012Du)     \
    X(APIERR_DELETED,                   0x8106012Eu)     \
    X(APIERR_LOCKEDLAY,                 0x8106012Fu)     \
    X(APIERR_HIDDENLAY,                 0x81060130u)     \
    X(APIERR_INVALFLOOR,                0x81060131u)     \
    X(APIERR_NOTMINE,                   0x81060132u)     \
    X(APIERR_NOACCESSRIGHT,             0x81060133u)     \
    X(APIERR_BADPROPERTYFORELEM,        0x81060134u)     \
    X(APIERR_BADCLASSIFICATIONFORELEM,  0x81060135u)     \
    X(APIERR_MODULNOTINSTALLED,         0x81060191u)     \
    X(APIERR_MODULCMDMINE,              0x81060192u)     \
    X(APIERR_MODULCMDNOTSUPPORTED,      0x81060193u)     \
    X(APIERR_MODULCMDVERSNOTSUPPORTED,  0x81060194u)     \
    X(APIERR_NOMODULEDATA,              0x81060195u)     \
    X(APIERR_PAROVERLAP,                0x810601F5u)     \
    X(APIERR_PARMISSING,                0x810601F6u)     \
    X(APIERR_PAROVERFLOW,               0x810601F7u)     \
    X(APIERR_PARIMPLICIT,               0x810601F8u)     \
    X(APIERR_RUNOVERLAP,                0x810601FEu)     \
    X(APIERR_RUNMISSING,                0x810601FFu)     \
    X(APIERR_RUNOVERFLOW,               0x81060200u)     \
    X(APIERR_RUNIMPLICIT,               0x81060201u)     \
    X(APIERR_RUNPROTECTED,              0x81060202u)     \
    X(APIERR_EOLOVERLAP,                0x81060208u)     \
    X(APIERR_TABOVERLAP,                0x81060212u)     \
    X(APIERR_NOTINIT,                   0x81060385u)     \
    X(APIERR_NESTING,                   0x81060386u)     \
    X(APIERR_NOTSUPPORTED,              0x81060387u)     \
    X(APIERR_REFUSEDCMD,                0x81060388u)     \
    X(APIERR_REFUSEDPAR,                0x81060389u)     \
    X(APIERR_READONLY,                  0x8106038Au)     \
    X(APIERR_SERVICEFAILED,             0x8106038Bu)     \
    X(APIERR_COMMANDFAILED,             0x8106038Cu)     \
    X(APIERR_NEEDSUNDOSCOPE,            0x8106038Du)     \
    X(APIERR_MISSINGCODE,               0x810603E9u)     \
    X(APIERR_MISSINGDEF,                0x810603EAu)     \
    X(APIERR_BADCLASSIFICATIONFORATTR,  0x810603EBu)
/* clang-format on */

/* Number of codes in the list above. */
#define VNAPI_ERROR_COUNT 75

/* Success. */
VNAPI_CONSTANT(VNAPI_ErrCode, NoError, 0)

#define VNAPI_DEFINE_ERROR_CONSTANT(name, value) VNAPI_CONSTANT(VNAPI_ErrCode, name, value)
VNAPI_FOR_EACH_ERROR(VNAPI_DEFINE_ERROR_CONSTANT)
#undef VNAPI_DEFINE_ERROR_CONSTANT

/*
 * Codes whose meaning callers rely on:
 *  APIERR_GENERAL        unspecified failure; also what an add-on entry answers before it
 *                        received the host's function table.
 *  APIERR_BADID          no such element, item, group, definition, object or set (deleted).
 *  APIERR_BADPARS        malformed arguments (missing records, wrong sizes).
 *  APIERR_NOPLAN         no project is open.
 *  APIERR_NOSEL          nothing is selected.
 *  APIERR_LOCKEDLAY      the element is on a locked layer.
 *  APIERR_NOTMINE        the element or object is reserved by another user of a shared project.
 *  APIERR_NOACCESSRIGHT  the user lacks the right (reservation) for the change.
 *  APIERR_NAMEALREADYUSED  a name that must be unique is taken.
 *  APIERR_NOMODULEDATA   no module data under that name.
 *  APIERR_NOTSUPPORTED   the host does not provide the function (an empty table slot).
 *  APIERR_READONLY       the element cannot be changed.
 *  APIERR_NEEDSUNDOSCOPE a change was asked for outside an undoable command.
 */

#endif /* VNAPI_ERRORS_H */
