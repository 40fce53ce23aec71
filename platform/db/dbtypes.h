#pragma once
// Enumerations and small types shared by the dataset framework: field types and kinds, dataset
// states, data events, record-fetch modes, bookmark flags and the option sets.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"

// Field types in their canonical order; the ordinals are part of stored data (expression blobs,
// stored structures), so the order never changes.
enum TFieldType : uint8_t {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord,                        // 0..4
  ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate,                             // 5..9
  ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc,                        // 10..14
  ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle,                        // 15..19
  ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,            // 20..24
  ftLargeint, ftADT, ftArray, ftReference, ftDataSet,                        // 25..29
  ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch,                 // 30..34
  ftGuid, ftTimeStamp, ftFMTBcd, ftFixedWideChar, ftWideMemo,                // 35..39
  ftOraTimeStamp, ftOraInterval                                              // 40..41
};
constexpr int FieldTypeCount = ftOraInterval + 1;

// Name of a field type as error messages show it ("String", "Integer", ...).
const char* FieldTypeName(TFieldType type) noexcept;

// Blob types are the field types from ftBlob to ftWideMemo.
using TBlobType = TFieldType;
bool IsBlobType(TFieldType type) noexcept;

// The first `chars` characters of a UTF-8 text.
std::string Utf8Left(std::string_view s, size_t chars);

enum TFieldKind : uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TDataSetState : uint8_t {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
  dsNewValue, dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};
using TDataSetStates = TSet<TDataSetState>;
// States in which field values may be written.
inline constexpr TDataSetStates dsWriteModes{dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
                                             dsNewValue, dsInternalCalc};
// States in which the dataset shows an edit in progress.
inline constexpr TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};

enum TDataEvent : uint8_t {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
  deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
  deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange
};

enum TGetMode : uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : uint8_t { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TUpdateStatus : uint8_t { usUnmodified, usModified, usInserted, usDeleted };

enum TResyncModeItem : uint8_t { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem>;

enum TLocateOption : uint8_t { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

enum TFilterOption : uint8_t { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;

// What an OnPostError / OnDeleteError / OnEditError handler decides.
enum TDataAction : uint8_t { daFail, daAbort, daRetry };

enum TAutoRefreshFlag : uint8_t { arNone, arAutoInc, arDefault };

enum TFieldAttribute : uint8_t { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = TSet<TFieldAttribute>;

enum TIndexOption : uint8_t {
  ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained
};
using TIndexOptions = TSet<TIndexOption>;

enum TParamType : uint8_t { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

enum TProviderFlag : uint8_t { pfInUpdate, pfInWhere, pfInKey, pfHidden };
using TProviderFlags = TSet<TProviderFlag>;

// A record buffer: raw bytes owned by the dataset that allocated them.
using TRecordBuffer = char*;
// A bookmark: the bytes a dataset needs to find a record again; empty means none.
using TBookmark = std::vector<Byte>;
// The same bytes held in a string, as the Bookmark property passes them.
using TBookmarkStr = std::string;
