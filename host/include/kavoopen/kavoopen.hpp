// Kavo object interface, as offered by the stand-in host. Objects handed out
// belong to the host; the caller owns only the KavoString values and vectors
// of them that a call returns. Failures arrive as KavoException.
#pragma once

#include <rq/rq.h>

#include <string>
#include <vector>

namespace KavoOpen {

class KavoString {
  public:
    KavoString() = default;
    KavoString(const char* text) : text_(text ? text : "") {}
    explicit KavoString(std::string text) : text_(std::move(text)) {}
    const char* GetLocaleText() const { return text_.c_str(); }

  private:
    std::string text_;
};

class KavoException {
  public:
    KavoException(std::string message, int line, std::string file)
        : message_(std::move(message)), line_(line), file_(std::move(file)) {}
    const char* Message() const { return message_.c_str(); }
    int SourceLine() const { return line_; }
    const char* SourceFile() const { return file_.c_str(); }

  private:
    std::string message_;
    int line_;
    std::string file_;
};

class TaggedObject {
  public:
    explicit TaggedObject(tag_t tag) : tag_(tag) {}
    virtual ~TaggedObject() = default;
    tag_t Tag() const { return tag_; }

  private:
    tag_t tag_;
};

class KavoObject : public TaggedObject {
  public:
    using TaggedObject::TaggedObject;
};

class Expression : public KavoObject {
  public:
    using KavoObject::KavoObject;
    bool IsNoEdit() const;
};

class ExpressionCollection {
  public:
    explicit ExpressionCollection(tag_t part) : part_(part) {}
    // Throws KavoException when the part holds no expression of that name.
    Expression* FindObject(const char* name);
    Expression* FindObject(const KavoString& name) { return FindObject(name.GetLocaleText()); }

  private:
    tag_t part_;
};

class DrawingCompareManager {
  public:
    explicit DrawingCompareManager(tag_t part) : part_(part) {}
    void CreateSnapshot();

  private:
    tag_t part_;
};

class BasePart : public KavoObject {
  public:
    using KavoObject::KavoObject;
    ExpressionCollection* Expressions();
};

class Part : public BasePart {
  public:
    using BasePart::BasePart;
    DrawingCompareManager* DrawingCompare();
};

class PartCollection {
  public:
    BasePart* Work();  // null when there is no work part
    BasePart* Display();
};

class Session {
  public:
    static Session* GetSession();
    PartCollection* Parts();
};

}  // namespace KavoOpen
