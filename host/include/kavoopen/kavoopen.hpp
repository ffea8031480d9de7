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

    // Attribute types as the object interface numbers them; Any selects
    // every type in the queries.
    enum AttributeType {
        AttributeTypeInvalid = 0,
        AttributeTypeNull = 1,
        AttributeTypeBoolean = 2,
        AttributeTypeInteger = 3,
        AttributeTypeReal = 4,
        AttributeTypeString = 5,
        AttributeTypeTime = 6,
        AttributeTypeAny = 100
    };

    // One user attribute, by value; the value field of its type is set.
    struct AttributeInformation {
        AttributeType Type = AttributeTypeInvalid;
        KavoString Title;
        bool BooleanValue = false;
        int IntegerValue = 0;
        double RealValue = 0.0;
        KavoString StringValue;
        KavoString TimeValue;
        int ArrayElementIndex = -1;
        bool Inherited = false;
        bool Locked = false;
        bool OwnedBySystem = false;  // held by the product-data-management system
        bool PdmBased = false;
        bool Overwrite = false;  // traced as "overwrite"
    };

    // Index -1 names the attribute itself (titles are unique per object).
    bool HasUserAttribute(const KavoString& title, AttributeType type, int index);
    // Throws KavoException when there is no such attribute.
    AttributeInformation GetUserAttribute(const KavoString& title, AttributeType type, int index);
    // Deletes the attribute and marks the owning part modified; throws
    // KavoException for a missing or locked attribute.
    void DeleteAttributeByTypeAndTitle(AttributeType type, const KavoString& title);
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

namespace Preferences {
class PartPreferences;
}
namespace Annotations {
class AnnotationManager;
}

class BasePart : public KavoObject {
  public:
    using KavoObject::KavoObject;
    ExpressionCollection* Expressions();
    KavoOpen::Preferences::PartPreferences* Preferences();
    // The part's annotation manager (one per part).
    KavoOpen::Annotations::AnnotationManager* Annotations();
};

class Part : public BasePart {
  public:
    using BasePart::BasePart;
    DrawingCompareManager* DrawingCompare();
    // The same manager as BasePart::Annotations (the hosts 9 to 11 offer it here).
    KavoOpen::Annotations::AnnotationManager* Annotations();
};

class PartCollection {
  public:
    BasePart* Work();  // null when there is no work part
    BasePart* Display();
};

namespace Preferences {

// Object preferences of one part.
class PartObject {
  public:
    // Line widths; the legacy map takes the widths 1 to 9 (5 to 13).
    enum WidthType {
        WidthTypeNone = 0,
        WidthTypeThin = 1,
        WidthTypeNormal = 2,
        WidthTypeThick = 3,
        WidthType1 = 5,
        WidthType2 = 6,
        WidthType3 = 7,
        WidthType4 = 8,
        WidthType5 = 9,
        WidthType6 = 10,
        WidthType7 = 11,
        WidthType8 = 12,
        WidthType9 = 13
    };
    explicit PartObject(tag_t part) : part_(part) {}
    // The widths that legacy thin, normal and thick lines get: exactly three
    // values of 5 to 13, else KavoException.
    void SetLegacyLineWidthMap(const std::vector<WidthType>& map);

  private:
    tag_t part_;
};

class PartPreferences {
  public:
    explicit PartPreferences(tag_t part) : part_(part) {}
    PartObject* ObjectPreferences();

  private:
    tag_t part_;
};

}  // namespace Preferences

// Objects of the session by tag. The class of the object handed out follows
// the object's type and subtype: drafting objects and dimensions come as the
// Annotations classes below, every other object as a KavoObject.
class KavoObjectManager {
  public:
    // Throws KavoException for a tag that names no live object.
    static TaggedObject* Get(tag_t tag);
};

namespace Annotations {

class Annotation : public KavoObject {
  public:
    using KavoObject::KavoObject;
};

// Evaluates the stored text of an annotation as the drawing shows it: each
// "<X@name>" becomes the value of the expression "name" of the annotation's
// part ("%g"), or else the value of the part attribute titled "name" (a
// string as it is, an integer as "%d", a real as "%g"); a name found in
// neither stays as it is.
class AssociativeText {
  public:
    KavoString GetEvaluatedText(Annotation* annotation, const KavoString& text);
};

class AnnotationManager {
  public:
    explicit AnnotationManager(tag_t part) : part_(part) {}
    // A new associative text; it belongs to the host.
    AssociativeText* CreateAssociativeText();

  private:
    tag_t part_;
};

// A note (subtype 1) or label (subtype 2).
class SimpleDraftingAid : public Annotation {
  public:
    using Annotation::Annotation;
    std::vector<KavoString> GetText();  // the stored lines, in order
};

// The texts a dimension shows before, after, above and below its value.
// Each getter throws KavoException when the host cannot give the texts.
class AppendedText {
  public:
    explicit AppendedText(tag_t dimension) : dimension_(dimension) {}
    std::vector<KavoString> GetBeforeText();
    std::vector<KavoString> GetAfterText();
    std::vector<KavoString> GetAboveText();
    std::vector<KavoString> GetBelowText();

  private:
    tag_t dimension_;
};

// Base of the dimension classes; every one gives its appended text.
class Dimension : public Annotation {
  public:
    using Annotation::Annotation;
    AppendedText* GetAppendedText();
};

#define KAVOOPEN_DIMENSION_CLASS(name) \
    class name : public Dimension {    \
      public:                          \
        using Dimension::Dimension;    \
    }
KAVOOPEN_DIMENSION_CLASS(HorizontalDimension);     // subtype 1
KAVOOPEN_DIMENSION_CLASS(VerticalDimension);       // 2
KAVOOPEN_DIMENSION_CLASS(ParallelDimension);       // 3
KAVOOPEN_DIMENSION_CLASS(CylindricalDimension);    // 4
KAVOOPEN_DIMENSION_CLASS(PerpendicularDimension);  // 5
KAVOOPEN_DIMENSION_CLASS(AngularDimension);        // 6, 7
KAVOOPEN_DIMENSION_CLASS(ArcLengthDimension);      // 8
KAVOOPEN_DIMENSION_CLASS(RadiusDimension);         // 9
KAVOOPEN_DIMENSION_CLASS(DiameterDimension);       // 10
KAVOOPEN_DIMENSION_CLASS(HoleDimension);           // 11
KAVOOPEN_DIMENSION_CLASS(OrdinateDimension);       // 13, 14
KAVOOPEN_DIMENSION_CLASS(FoldedRadiusDimension);   // 16
#undef KAVOOPEN_DIMENSION_CLASS

}  // namespace Annotations

class Session {
  public:
    static Session* GetSession();
    PartCollection* Parts();
};

}  // namespace KavoOpen
