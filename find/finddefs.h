// The errors of the image and finding library. They belong to the shape
// library's family (ccShapesError::Errors, itself a ccException), so one
// handler catches every failure of the stack.
#pragma once

#include "vxstd12u/errors.h"

class ccFindDefs {
  public:
    class Errors : public ccShapesError::Errors {
      public:
        using ccShapesError::Errors::Errors;

      protected:
        Errors() = default;
    };

    // A value outside the domain of the operation: a zero or huge image size,
    // a pose with a NaN or a scale that is not positive, thresholds out of
    // order.
    class BadParams : public ccErrorKind<BadParams, Errors, 0x10003001> {
      public:
        using ccErrorKind::ccErrorKind;
    };

    // An image that cannot be used: a file that is missing, unreadable, empty
    // or truncated, of a format, depth or channel count the library does not
    // take, or one that could not be written.
    class BadImage : public ccErrorKind<BadImage, Errors, 0x10003002> {
      public:
        using ccErrorKind::ccErrorKind;
    };
};
