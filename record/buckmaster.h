// The record of one callsign look-up: the fields the look-up service returns for one call sign,
// the parser of the service's tagged answer and the two reply lines built for the host.
// Texts are std::string of Windows-1252 bytes.
#pragma once

#include <string>
#include <string_view>

// Makes a value safe for one field of a "|"-separated line: line breaks at its ends go,
// any other line break or "|" becomes a space.
std::string CleanField(const std::string& value);

class Buckmaster {
  public:
    // `decimalSeparator` is the user's decimal separator: the coordinates are written with it,
    // and the parser accepts it besides the point.
    explicit Buckmaster(std::string decimalSeparator = ".");

    void SetSearchCall(const std::string& v) { SearchCall_ = v; }
    const std::string& SearchCall() const { return SearchCall_; }
    void SetEffdate(const std::string& v) { Effdate_ = v; }
    const std::string& Effdate() const { return Effdate_; }
    void SetEXPdate(const std::string& v) { EXPdate_ = v; }
    const std::string& EXPdate() const { return EXPdate_; }
    void SetCodeA(const std::string& v) { CodeA_ = v; }
    const std::string& CodeA() const { return CodeA_; }
    void SetCodeB(const std::string& v) { CodeB_ = v; }
    const std::string& CodeB() const { return CodeB_; }
    void SetGMTOffset(const std::string& v) { GMTOffset_ = v; }
    const std::string& GMTOffset() const { return GMTOffset_; }
    void SetLastModed(const std::string& v) { LastModed_ = v; }
    const std::string& LastModed() const { return LastModed_; }
    void SetCallsign(const std::string& v) { Callsign_ = v; }
    const std::string& Callsign() const { return Callsign_; }
    void SetFirstName(const std::string& v) { FirstName_ = v; }
    const std::string& FirstName() const { return FirstName_; }
    void SetLastName(const std::string& v) { LastName_ = v; }
    const std::string& LastName() const { return LastName_; }
    void SetMiddleName(const std::string& v) { MiddleName_ = v; }
    const std::string& MiddleName() const { return MiddleName_; }
    void SetAddress(const std::string& v) { Address_ = v; }
    const std::string& Address() const { return Address_; }
    void SetCity(const std::string& v) { City_ = v; }
    const std::string& City() const { return City_; }
    void SetState(const std::string& v) { State_ = v; }
    const std::string& State() const { return State_; }
    void SetPostalCode(const std::string& v) { PostalCode_ = v; }
    const std::string& PostalCode() const { return PostalCode_; }
    void SetBirthDate(const std::string& v) { BirthDate_ = v; }
    const std::string& BirthDate() const { return BirthDate_; }
    void SetLatitude(double v) { Latitude_ = v; }
    double Latitude() const { return Latitude_; }
    void SetLongitude(double v) { Longitude_ = v; }
    double Longitude() const { return Longitude_; }
    void SetCounty(const std::string& v) { County_ = v; }
    const std::string& County() const { return County_; }
    void SetCountry(const std::string& v) { Country_ = v; }
    const std::string& Country() const { return Country_; }
    void SetPreviousCall(const std::string& v) { PreviousCall_ = v; }
    const std::string& PreviousCall() const { return PreviousCall_; }
    void SetGridSquare(const std::string& v) { GridSquare_ = v; }
    const std::string& GridSquare() const { return GridSquare_; }
    void SetQSLManager(const std::string& v) { QSLManager_ = v; }
    const std::string& QSLManager() const { return QSLManager_; }
    void SetLicenseClass(const std::string& v) { LicenseClass_ = v; }
    const std::string& LicenseClass() const { return LicenseClass_; }
    void SetURL(const std::string& v) { URL_ = v; }
    const std::string& URL() const { return URL_; }
    void SetEmail(const std::string& v) { Email_ = v; }
    const std::string& Email() const { return Email_; }

    // Fills the record from the service's answer and leaves `text` empty. Fields the answer
    // does not carry keep their values. A coordinate that is not a number leaves that
    // coordinate unchanged; the fields after it are still read.
    void ParseBuckmaster(std::string& text);

    // The reply line: 17 fields, each followed by "|".
    std::string ProcessInfo() const;

    // The extended reply line: 7 fields separated by "|", the first one always empty.
    std::string ProcessExtendedInfo() const;

  private:
    // Removes the next field from the front of `text`, puts its value into `value` and returns
    // its tag byte; returns '$' (leaving `value` alone) when `text` is empty.
    char GetNextField(std::string_view& text, std::string& value);

    std::string Callsign_;
    std::string FirstName_;
    std::string MiddleName_;
    std::string LastName_;
    std::string Address_;
    std::string City_;
    std::string State_;
    std::string PostalCode_;
    std::string BirthDate_;
    double Latitude_ = 0.0;
    double Longitude_ = 0.0;
    std::string County_;
    std::string Country_;
    std::string PreviousCall_;
    std::string GridSquare_;
    std::string QSLManager_;
    std::string LicenseClass_;
    std::string Effdate_;
    std::string EXPdate_;
    std::string CodeA_;
    std::string CodeB_;
    std::string GMTOffset_;
    std::string LastModed_;
    std::string URL_;
    std::string Email_;
    std::string SearchCall_;

    std::string decimalSeparator_;
};
