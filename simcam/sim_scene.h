// Scenes for the simulated camera: what lies under the microscope, as linear light on the sensor.
#pragma once

#include <memory>
#include <vector>

// The light reaching each pixel of the 640 x 480 sensor, per colour, rows top to bottom;
// 1.0 is a clear field under the lamp at the centre of the view.
struct CSimRadiance {
    static constexpr int WIDTH = 640;
    static constexpr int HEIGHT = 480;
    std::vector<float> Red, Green, Blue; // WIDTH x HEIGHT each

    CSimRadiance() : Red(WIDTH * HEIGHT), Green(WIDTH * HEIGHT), Blue(WIDTH * HEIGHT) {}
    void Set(int x, int y, float r, float g, float b)
    {
        const int i = y * WIDTH + x;
        Red[i] = r;
        Green[i] = g;
        Blue[i] = b;
    }
};

// A scene draws itself once into a radiance map; cameras then read the map for every frame.
class ISimScene {
public:
    virtual ~ISimScene() = default;
    virtual void Render(CSimRadiance& radiance) const = 0;
};

std::shared_ptr<const CSimRadiance> SimRenderScene(const ISimScene& scene);

// The default scene: a stage micrometer (a 600 um scale with 10 um divisions, longer marks
// every 50 and 100 um) over round particles and a six-colour patch, in bright-field light
// with a little vignetting. One pixel is one micrometre.
class CSimMicrometerScene final : public ISimScene {
public:
    void Render(CSimRadiance& radiance) const override;
};

// A uniform field of one colour (for checks of brightness and colour balance).
class CSimUniformScene final : public ISimScene {
public:
    CSimUniformScene(float fRed, float fGreen, float fBlue) : m_fRed(fRed), m_fGreen(fGreen), m_fBlue(fBlue) {}
    void Render(CSimRadiance& radiance) const override;

private:
    float m_fRed, m_fGreen, m_fBlue;
};

// A picture given instead of the synthetic scene: 24-bit rows (blue, green, red), top row
// first, scaled to the sensor by nearest neighbour; sRGB values are turned into linear light.
class CSimPictureScene final : public ISimScene {
public:
    CSimPictureScene(int nWidth, int nHeight, const unsigned char* pBgrRows, int nStride);
    void Render(CSimRadiance& radiance) const override;

private:
    int m_nWidth, m_nHeight;
    std::vector<unsigned char> m_Pixels; // rows packed, 3 bytes per pixel
};
