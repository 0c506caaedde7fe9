#pragma once

// The operations of a second keying as the change history names them.
namespace tallwick::verify {

// A value taken from the other keying of a comparison.
inline constexpr const char* kComparedEntry = "比对录入";
// A stored value replaced during a dependent verification.
inline constexpr const char* kVerifiedEntry = "校验录入";

}  // namespace tallwick::verify
