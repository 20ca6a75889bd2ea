// Archivable objects and the factory registry that re-creates them by type.
#pragma once

#include <cstddef>
#include <string>
#include <typeinfo>

class ccArchive;

// Base of every object that can be written to and read from a ccArchive.
//
// Shapes and shape models derive from it virtually, so that a shape model is a
// single persistent object. The base keeps a change flag: while it is set (the
// default), every mutator gives notice through mutating_() before it changes
// data, and the notices are counted. Copying an object does not copy this state.
class ccPersistent {
  public:
    virtual ~ccPersistent() = default;

    // Whether mutators give notice of their changes.
    bool changeFlag() const noexcept { return changeFlag_; }
    void changeFlag(bool on) noexcept { changeFlag_ = on; }

    // Number of change notices this object has received.
    long changeCount() const noexcept { return changes_; }

    // Returns the object to the state of a freshly made one before an archive
    // fills it; the base has nothing to reset.
    virtual void reInit() {}

  protected:
    ccPersistent() = default;
    ccPersistent(const ccPersistent&) noexcept {}
    ccPersistent& operator=(const ccPersistent&) noexcept { return *this; }

    // Records one change of this object's data.
    void mutating_() noexcept { ++changes_; }

    // The pattern every mutator follows: notice first (when the flag asks for
    // it), then the change.
    void noticeChange_() noexcept {
        if (changeFlag_) mutating_();
    }

    // Whether the part of this object at `part` with `size` bytes was already
    // exchanged in the current pass of `ar`, and the marking of it.
    bool haveVisited(ccArchive& ar, const void* part, std::size_t size) const;
    void setVisited(ccArchive& ar, const void* part, std::size_t size) const;

    // Exchanges this object's state with `ar`, in the archive's direction.
    // The base's own form is a version byte (0) and nothing else.
    virtual void dispatchSerialize(ccArchive& ar);

    // Reads the older, simpler form some types accept. The base has none and
    // returns false without reading.
    virtual bool loadSimple(ccArchive& ar);

    friend class ccArchive;

  private:
    bool changeFlag_ = true;
    long changes_ = 0;
};

// Registers a class with the archive's factory: constructed as a static object,
// it maps the class's run-time type to its make function. Registration happens
// during static initialisation; nothing is unregistered.
class cc_Instantiator {
  public:
    using Maker = ccPersistent* (*)();

    cc_Instantiator(const std::type_info& type, Maker make);

    // The maker registered for `type`, or null.
    static Maker find(const std::type_info& type);

    // The maker registered under the stable class name `name`, or null.
    static Maker find(const std::string& name);

    // The stable name under which the archive records objects of `type`: the
    // class's qualified C++ name as written in source ("ccShapeModelTemplate<ccCircle>").
    static std::string stableName(const std::type_info& type);
};
