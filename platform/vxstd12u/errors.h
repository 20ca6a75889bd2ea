// The error family of the vision library. Every failure is thrown by value as an
// object of one of these classes; all derive from ccException, which is both a
// std::exception and an archivable object.
#pragma once

#include <exception>
#include <iosfwd>
#include <string>

#include "vxstd12u/persistent.h"
#include "vxstd12u/repbase.h"

// Root of the library's errors. Errors can be shared through handles (for
// archiving) like shapes.
//
// An error may carry a detail text that says what was wrong; message() gives
// the class name, the error number and that text. Copies carry the text but not
// the persistent state of the original.
class ccException : public virtual ccRepBase, public virtual ccPersistent, public std::exception {
  public:
    ccException() = default;
    explicit ccException(std::wstring detail) : detail_(std::move(detail)) {}
    ccException(const ccException& other)
        : ccRepBase(other), ccPersistent(other), std::exception(other), detail_(other.detail_) {}
    ccException& operator=(const ccException& other);
    ~ccException() override = default;

    // The fixed number of the error's class.
    virtual long errorNumber() const = 0;

    // For an error made with new (as the archive's factory does): copies itself
    // into a local object of its own type, deletes itself and throws the copy.
    [[noreturn]] virtual void suicideAndRethrow() = 0;

    // The full message, as message_ writes it.
    std::wstring message() const;

    // What the thrower said was wrong; may be empty.
    const std::wstring& detail() const noexcept { return detail_; }

    // The message in UTF-8. Built on first use; do not call it on one error
    // object from two threads at once.
    const char* what() const noexcept override;

  protected:
    // Writes "<class name> (error <number>): <detail>" to `out`.
    virtual void message_(std::wostream& out) const;

    // Form: version byte 0, then the detail text.
    void dispatchSerialize(ccArchive& ar) override;

  private:
    std::wstring detail_;
    mutable std::string what_;
};

// Gives a concrete error class its number and its rethrow. `Self` is the class
// being defined, `Base` the error it refines.
template <class Self, class Base, long Number>
class ccErrorKind : public Base {
  public:
    using Base::Base;
    static constexpr long kErrorNumber = Number;

    long errorNumber() const override { return Number; }

    [[noreturn]] void suicideAndRethrow() override {
        Self local(static_cast<const Self&>(*this));
        delete this;
        throw local;
    }
};

// An error that is nothing but its text.
class ccExceptionWithString : public ccErrorKind<ccExceptionWithString, ccException, 0x10000001> {
  public:
    using ccErrorKind::ccErrorKind;
    explicit ccExceptionWithString(const std::string& utf8Detail);
};

// An empty handle was dereferenced, or a handle was cast to a type its object
// does not have.
class ccBadPointer : public ccErrorKind<ccBadPointer, ccException, 0x10000002> {
  public:
    using ccErrorKind::ccErrorKind;
};

// Errors raised by the shape library's own operations.
class ccShapesError {
  public:
    class Errors : public ccException {
      public:
        using ccException::ccException;

      protected:
        Errors() = default;
    };

    // A value outside the domain of the operation: a negative radius, a
    // non-finite coordinate, an empty polyline asked for a point.
    class BadParams : public ccErrorKind<BadParams, Errors, 0x10001001> {
      public:
        using ccErrorKind::ccErrorKind;
    };

    // An operation that needs a closed region got an open shape.
    class NotRegion : public ccErrorKind<NotRegion, Errors, 0x10001002> {
      public:
        using ccErrorKind::ccErrorKind;
    };

    // An operation that needs a finite extent got an infinite shape.
    class InfiniteExtent : public ccErrorKind<InfiniteExtent, Errors, 0x10001003> {
      public:
        using ccErrorKind::ccErrorKind;
    };
};
