#pragma once
// The root of the system's object classes: event handlers receive their
// sender as a TObject pointer.

namespace tallivo {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

} // namespace tallivo
