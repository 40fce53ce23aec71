#pragma once
// The dataset framework's messages and its error routine.
#include <initializer_list>
#include <string>
#include <string_view>

class TComponent;
class Variant;

// Messages, as the framework raises them (the %s / %d arguments are filled by DatabaseErrorFmt).
inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SFieldNameMissing = "Field name missing";
inline constexpr const char* SDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* SInvalidFieldSize = "Invalid field size";
inline constexpr const char* SInvalidFieldKind = "Invalid FieldKind";
inline constexpr const char* SFieldIndexError = "Field index out of range";
inline constexpr const char* SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* SFieldRequired = "Field '%s' must have a value";
inline constexpr const char* SFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* SFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* SFieldSizeMismatch = "Size mismatch for field '%s', expecting: %d actual: %d";
inline constexpr const char* SFieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* SInvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
inline constexpr const char* SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* SInvalidDateValue = "'%s' is not a valid date and time value for field '%s'";
inline constexpr const char* SInvalidGuidValue = "'%s' is not a valid GUID value for field '%s'";
inline constexpr const char* SInvalidVarValue = "Invalid value for field '%s'";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* SDataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* SDataSourceChange = "DataSource cannot be changed";
inline constexpr const char* SCircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* SRecordNotFound = "Record not found";
inline constexpr const char* SBookmarkNotFound = "Bookmark not found";
inline constexpr const char* SLookupInfoError = "Lookup information for field '%s' is incomplete";
inline constexpr const char* SCalcFieldNotAllowed = "Field '%s' cannot be a calculated or lookup field";
inline constexpr const char* SFieldDefNotFound = "Field definition '%s' not found";
inline constexpr const char* SIndexNotFound = "Index '%s' not found";
inline constexpr const char* SDuplicateIndexName = "Duplicate index name '%s'";
inline constexpr const char* SParameterNotFound = "Parameter '%s' not found";
inline constexpr const char* SUnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr const char* SFieldNotBlob = "Field '%s' is not a blob field";
inline constexpr const char* SNotBrowsing = "Operation not allowed while the dataset is in the %s state";
inline constexpr const char* SNoDataSet = "No dataset association";

// Raises EDatabaseError with the message; when the component has a name, "Name: " goes first.
[[noreturn]] void DatabaseError(std::string_view message, const TComponent* component = nullptr);
// Fills the %s / %d arguments of the message in order (a minimal formatter of its own, so that
// the error path never raises a formatting error), then raises as DatabaseError.
[[noreturn]] void DatabaseErrorFmt(std::string_view message, std::initializer_list<std::string_view> args,
                                   const TComponent* component = nullptr);
// The formatted text without raising.
std::string DatabaseMessage(std::string_view message, std::initializer_list<std::string_view> args);
